#include "platform/Desktop.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QTranslator>

#include <clocale>
#include <system_error>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif
#ifndef Q_OS_WIN
#include <fontconfig/fontconfig.h>
#endif

void ShowWarning(const QString& text, QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("ATTENZIONE!"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);   // paths may hold '<' or '&'
    // A value of megabytes from a damaged settings file would make the box unusable.
    constexpr qsizetype longest = 2000;
    box.setText(text.size() <= longest ? text : text.left(longest) + QChar(0x2026));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::thread LoadFontsAside()
{
#ifdef Q_OS_WIN
    return {};
#else
    // The loading reads two things that the toolkit's start changes: the locale (how the files'
    // numbers are read), set here first as the toolkit sets it; and the environment, where the
    // toolkit unsets DESKTOP_STARTUP_ID. A start that has one loads its fonts as before.
    setlocale(LC_ALL, "");
    if (qEnvironmentVariableIsSet("DESKTOP_STARTUP_ID"))
        return {};
    try {
        return std::thread([] { FcInit(); });   // Qt's own call then finds it loaded
    } catch (const std::system_error&) {
        return {};   // no thread to spare: Qt loads it when the first text needs it
    }
#endif
}

void InstallItalianTranslation()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

void AskForAttention(QWidget* window)
{
    if (!window)   // without one, Qt would flash every window of the program
        return;
    QApplication::alert(window);
#if QT_CONFIG(xcb)
    // Qt leaves the window-manager request in its X11 buffer until something flushes it; with the
    // window minimised or called from a timer, nothing may until the user comes back.
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
        xcb_flush(x11->connection());
#endif
}

void ShowNotification(const QString& title, const QString& text)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages())
        return;
    // One icon for the process, shown only while it has something to say.
    static QSystemTrayIcon* tray = [] {
        auto* icon = new QSystemTrayIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation), qApp);
        QObject::connect(icon, &QSystemTrayIcon::messageClicked, icon, &QSystemTrayIcon::hide);
        return icon;
    }();
    tray->show();
    tray->showMessage(title, text, QSystemTrayIcon::Information, 10000);
    QTimer::singleShot(15000, tray, &QSystemTrayIcon::hide);
}

namespace {

// A process of its own, never waited for: the file manager may hang on a share for as long as the
// share does, and Qt's own way waits for the shell on the GUI thread on Windows.
void OpenDetached(const QString& target)
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"), {target});
#else
    QProcess::startDetached(QStringLiteral("xdg-open"), {target});
#endif
}

}   // namespace

void OpenOnDesktop(const QString& hostPath)
{
    // Made absolute without a look at the share, so that no name is taken for an option.
    OpenDetached(QDir::toNativeSeparators(QDir().absoluteFilePath(hostPath)));
}

void OpenLink(const QUrl& link)
{
    OpenDetached(link.toString(QUrl::FullyEncoded));   // it starts with its scheme: no option
}

QStringList ChooseDrawings(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileNames(
        parent, QStringLiteral("Aggiungi disegni"), folder,
        QStringLiteral("Disegni DXF e DWG (*.dxf *.dwg *.DXF *.DWG);;Tutti i file (*)"));
}
