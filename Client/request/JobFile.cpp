#include "request/JobFile.h"

#include "platform/CodePage.h"
#include "platform/HostPath.h"
#include "settings/Settings.h"

namespace {

// Appends tag + text and CR LF, or returns the warning for text that cannot go into a job line.
QString AppendLine(QByteArray& job, const QString& tag, const QString& text)
{
    // A line break inside a path would make the server read extra job lines.
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return QStringLiteral("Percorso non valido: ") + text;
    unsigned long error = 0;
    switch (AppendAnsi(job, tag + text, &error)) {
    case Appended::Done: job += "\r\n"; return {};
    case Appended::Unrepresentable: return QStringLiteral("Carattere non rappresentabile in: ") + text;
    case Appended::Failed: break;
    }
    // Not the text's fault: the system could not convert at all.
    return QStringLiteral("Conversione nella code page del sistema non riuscita (errore %1): ").arg(error) + text;
}

}   // namespace

QString JobBytes(const SettingsRecord& s, const QStringList& drawings, QByteArray& bytes)
{
    bytes.clear();
    // Requests that could never complete: an empty job has no OUTDIR line, so its log would
    // not land where it is watched, and the server refuses a folder outside its root.
    if (drawings.isEmpty())
        return QStringLiteral("Nessun disegno da convertire: trascinare i disegni nell'elenco.");
    if (const QString why = WhyNotInsideRoot(s.OutFolder); !why.isEmpty())
        return QStringLiteral("Cartella di archiviazione non valida: ") + s.OutFolder + QStringLiteral(" (") + why
            + QLatin1Char(')');
    QStringList header;
    if (!s.OutFolder.isEmpty())
        header << s.OutDirTag + s.OutFolder;
    header << s.ModeTag + s.DXFDWGmode;

    // One buffer for the whole job; a drawing on a mounted drive goes as that drive (the server
    // is usually a Windows machine), which is never longer.
    qsizetype size = 2 * (header.size() + drawings.size());
    for (const QString& line : std::as_const(header))
        size += line.size();
    for (const QString& drawing : drawings)
        size += drawing.size();
    bytes.resize(size);
    char* out = bytes.begin();
    bool allPrintableAscii = true;
    for (const QString& line : std::as_const(header))
        allPrintableAscii &= CopyAsciiLine(out, line);
    for (const QString& drawing : drawings)
        allPrintableAscii &=
            IsDriveMount(drawing) ? CopyAsciiLine(out, WindowsPath(drawing)) : CopyAsciiLine(out, drawing);
    bytes.truncate(out - bytes.constData());
    if (allPrintableAscii)
        return {};

    // Some text is not plain ASCII: line by line, each is checked and encoded, and the first that
    // cannot go into a job line is named.
    bytes.clear();
    QString refusal;
    if (!s.OutFolder.isEmpty())
        refusal = AppendLine(bytes, s.OutDirTag, s.OutFolder);
    if (refusal.isEmpty())
        refusal = AppendLine(bytes, s.ModeTag, s.DXFDWGmode);
    for (qsizetype i = 0; refusal.isEmpty() && i < drawings.size(); ++i)
        refusal = AppendLine(bytes, QString(), WindowsPath(drawings[i]));
    if (!refusal.isEmpty())
        bytes.clear();
    return refusal;
}
