#include "request/JobFile.h"

#include "platform/CodePage.h"
#include "platform/Host.h"
#include "settings/Settings.h"

namespace {

// Appends tag + text and CR LF, or returns the warning for text that cannot go into a job line.
QString AppendLine(QByteArray& job, const QString& tag, const QString& text)
{
    // A line break inside a path would make the server read extra job lines.
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return QStringLiteral("Percorso non valido: ") + text;
    const auto bytes = EncodeAnsi(tag + text);
    if (!bytes)
        return QStringLiteral("Carattere non rappresentabile in: ") + text;
    job += *bytes;
    job += "\r\n";
    return {};
}

} // namespace

QString WriteJobFile(const QString& path, const SettingsRecord& s, const QStringList& drawings,
                     const Host& host)
{
    QByteArray job;
    if (!drawings.isEmpty()) {
        QString refusal;
        if (!s.OutFolder.isEmpty())
            refusal = AppendLine(job, s.OutDirTag, s.OutFolder);
        if (refusal.isEmpty())
            refusal = AppendLine(job, s.ModeTag, s.DXFDWGmode);
        for (qsizetype i = 0; refusal.isEmpty() && i < drawings.size(); ++i)
            refusal = AppendLine(job, QString(), drawings[i]);
        if (!refusal.isEmpty())
            return refusal;
    }
    const QString failure = host.replaceFile(path, job);
    if (!failure.isEmpty())
        return QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ")
            + failure;
    return {};
}
