#include "platform/Host.h"

#include "platform/CodePage.h"
#include "platform/HostPath.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QTime>
#include <QTranslator>

void Host::showWarning(const QString& text)
{
    ShowWarning(text);
}

int Host::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

FileStatus Host::fileStatus(const QString& path) const
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(HostPath(path));   // one stat, cached for the calls below
    FileStatus status;
    status.isFile = info.isFile();
    status.isFolder = info.isDir();
    if (status.isFile)
        status.modified = info.lastModified().toMSecsSinceEpoch();
    return status;
}

bool Host::readLines(const QString& path,
                     const std::function<void(const QString& line)>& onLine) const
{
    QFile file(HostPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;

    ForEachLine(bytes, onLine);
    return true;
}

namespace {

// Why a write failed, in words the user reads; the system's own text follows when it has one.
QString WriteFailure(const QFileDevice& file)
{
    QString reason;
    switch (file.error()) {
    case QFileDevice::OpenError: reason = QStringLiteral("impossibile creare il file"); break;
    case QFileDevice::ResourceError: reason = QStringLiteral("spazio esaurito"); break;
    case QFileDevice::RenameError: reason = QStringLiteral("impossibile sostituire il file"); break;
    default: reason = QStringLiteral("scrittura non riuscita (disco pieno o file troppo grande?)");
    }
    const QString detail = file.errorString();
    if (!detail.isEmpty() && detail != QLatin1String("Unknown error"))
        reason += QStringLiteral(" (") + detail + QLatin1Char(')');
    return reason;
}

} // namespace

QString Host::replaceFile(const QString& path, const QByteArray& bytes) const
{
    // QSaveFile writes beside the target under a name that never ends in the target's extension
    // and renames it over the target only once everything is on disk.
    QSaveFile file(HostPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return WriteFailure(file);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = WriteFailure(file);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return WriteFailure(file);
    return {};
}

void ShowWarning(const QString& text)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("ATTENZIONE!"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);   // paths may hold '<' or '&'
    // A value of megabytes from a damaged settings file would make the box unusable.
    constexpr qsizetype longest = 2000;
    box.setText(text.size() <= longest ? text : text.left(longest) + QChar(0x2026));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void InstallItalianTranslation()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_it"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
