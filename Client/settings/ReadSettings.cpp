#include "settings/ReadSettings.h"

#include "platform/Host.h"
#include "platform/HostPath.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <limits>
#include <optional>

namespace {

// A whole number with optional blanks around it: sign and decimal digits only, within
// [low, high]. Fractions, hexadecimal, exponents and separators are refused.
std::optional<qint64> ParseWhole(QStringView value, qint64 low, qint64 high)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0, end = value.size();
    while (begin < end && isBlank(value[begin]))
        ++begin;
    while (end > begin && isBlank(value[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (value[begin] == QLatin1Char('+') || value[begin] == QLatin1Char('-')))
        negative = value[begin++] == QLatin1Char('-');
    if (begin == end)
        return std::nullopt;
    qint64 magnitude = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = value[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > high + 1)   // past any 32-bit bound; stop before int64 could overflow
            return std::nullopt;
    }
    const qint64 number = negative ? -magnitude : magnitude;
    if (number < low || number > high)
        return std::nullopt;
    return number;
}

std::optional<qint32> ParseLong(QStringView value)
{
    const auto n = ParseWhole(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    return n ? std::optional<qint32>(qint32(*n)) : std::nullopt;
}

// value upper-cased equals one of the words; upper-casing never shortens text, so a longer
// value (up to the whole of a huge line) is refused without making an upper-case copy of it.
bool UpperEquals(QStringView value, QLatin1String word)
{
    return value.size() == word.size() && value.toString().toUpper() == word;
}

std::optional<bool> ParseYesNo(QStringView value)
{
    if (UpperEquals(value, QLatin1String("SI")))
        return true;
    if (UpperEquals(value, QLatin1String("NO")))
        return false;
    return std::nullopt;
}

// A warning that quotes a value: built in one allocation, however long the value.
QString Quote(QStringView before, QStringView value, QStringView after = {})
{
    QString text;
    text.reserve(before.size() + value.size() + after.size());
    return text.append(before).append(value).append(after);
}

// Windows trims blanks and dots from the end of a path's last part, so "y:\Uscita " would be
// found as y:\Uscita while every path built on it names something else.
bool TrimmedByWindows(QStringView folder)
{
    const QStringView last =
        folder.mid(qMax(folder.lastIndexOf(QLatin1Char('\\')), folder.lastIndexOf(QLatin1Char('/'))) + 1);
    return last != QLatin1String(".") && last != QLatin1String("..")
        && (last.endsWith(QLatin1Char(' ')) || last.endsWith(QLatin1Char('.')));
}

// A share that is slow at logon hangs more often than it fails: its look is waited for briefly,
// and a folder that does not answer keeps its value, to be used once it does. Only a folder that
// is surely not there is refused; false then.
bool ApplyFolder(QString& field, QStringView value, Host& host)
{
    const QString folder = value.toString();
    const std::optional<FileStatus> seen =
        TrimmedByWindows(folder) ? FileStatus{} : host.fileStatusWithin(folder, 3000);
    if (seen && !seen->unknown && !seen->isFolder) {
        host.showWarning(Quote(u"La cartella ", value, u" non esiste"));
        return false;
    }
    field = folder;
    if (!seen || seen->unknown)
        host.showWarning(Quote(u"La cartella ", value, u" non risponde: verrà usata appena raggiungibile"));
    return true;
}

void ApplyYesNo(bool& field, QStringView value, QStringView warning, Host& host)
{
    if (const auto yes = ParseYesNo(value))
        field = *yes;
    else
        host.showWarning(Quote(warning, value));
}

// One line of the file. Keys are tested in this order and match at the first character only.
void ApplyLine(const QString& line, SettingsRecord& s, Host& host)
{
    // The rest of the line after the key, as a view: a huge value is not copied to be tested.
    const auto value = [&line](QLatin1String key) -> std::optional<QStringView> {
        if (!line.startsWith(key))
            return std::nullopt;
        return QStringView(line).mid(key.size());
    };

    if (const auto v = value(QLatin1String("WaitTimeout="))) {
        const auto seconds = ParseLong(*v);
        const qint64 ms = seconds ? qint64(*seconds) * 1000 : 0;
        if (!seconds || ms < std::numeric_limits<qint32>::min() || ms > std::numeric_limits<qint32>::max())
            host.showWarning(QStringLiteral("Errore convertendo WaitTimeout in Long"));
        else
            s.WaitTimeout = ms == 0 ? 10000 : qint32(std::llabs(ms));
    } else if (const auto v = value(QLatin1String("StuckConverterTimeout="))) {
        const auto n = ParseLong(*v);
        if (!n || *n == std::numeric_limits<qint32>::min())   // its absolute value has no room
            host.showWarning(QStringLiteral("Errore convertendo StuckConverterTimeout in Long"));
        else
            s.StuckConverterTimeout = *n == 0 ? 30 : std::abs(*n);
    } else if (const auto v = value(QLatin1String("DXFOutDirRoot="))) {
        ApplyFolder(s.DXFOutDirRoot, *v, host);
    } else if (const auto v = value(QLatin1String("JobFileDir="))) {
        s.JobFileDirRefused = ApplyFolder(s.JobFileDir, *v, host) ? QString() : v->toString();
    } else if (const auto v = value(QLatin1String("RunStringCMD="))) {
        s.RunString[0] = v->toString();
    } else if (const auto v = value(QLatin1String("RunStringPAR="))) {
        s.RunString[1] = v->toString();
    } else if (const auto v = value(QLatin1String("DXFDWGmode="))) {
        if (UpperEquals(*v, QLatin1String("DXF")) || UpperEquals(*v, QLatin1String("DWG")))
            s.DXFDWGmode = v->toString();
        else
            host.showWarning(Quote(u"Valore DXFDWGmode non riconosciuto: ", *v));
    } else if (const auto v = value(QLatin1String("MaxNumberFiles="))) {
        const auto n = ParseWhole(*v, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
        if (n)
            s.MaxNumberFiles = qint16(*n);
        else
            host.showWarning(QStringLiteral("Errore convertendo MaxNumberFiles in Integer"));
    } else if (const auto v = value(QLatin1String("KeepLog="))) {
        ApplyYesNo(s.KeepLog, *v, u"Valore KeepLog non riconosciuto: ", host);
    } else if (const auto v = value(QLatin1String("Interattivo="))) {
        ApplyYesNo(s.Interattivo, *v, u"Valore Interattivo non riconosciuto: ", host);
    }
}

}   // namespace

void ReadSettings(const QString& path, SettingsRecord& settings, Host& host)
{
    if (!host.fileExists(path)) {
        host.showWarning(HostPath(path) + QStringLiteral(" non esiste"));
        return;
    }
    // A settings file saved by a Linux editor is UTF-8.
    const bool read = host.readLines(
        path,
        [&](const QString& line) {
            if (!line.startsWith(QLatin1Char('*')))
                ApplyLine(line, settings, host);
        },
        TextIn::CodePageOrUtf8);
    if (!read)
        host.showWarning(QStringLiteral("Impossibile leggere il file ") + HostPath(path));
}
