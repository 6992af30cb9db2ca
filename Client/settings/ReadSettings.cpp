#include "settings/ReadSettings.h"

#include "platform/Host.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <limits>
#include <optional>

namespace {

// A whole number with optional blanks around it: sign and decimal digits only, within
// [low, high]. Fractions, hexadecimal, exponents and separators are refused.
std::optional<qint64> ParseWhole(const QString& value, qint64 low, qint64 high)
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

std::optional<qint32> ParseLong(const QString& value)
{
    const auto n = ParseWhole(value, std::numeric_limits<qint32>::min(),
                              std::numeric_limits<qint32>::max());
    return n ? std::optional<qint32>(qint32(*n)) : std::nullopt;
}

std::optional<bool> ParseYesNo(const QString& value)
{
    const QString upper = value.toUpper();
    if (upper == QLatin1String("SI"))
        return true;
    if (upper == QLatin1String("NO"))
        return false;
    return std::nullopt;
}

void ApplyFolder(QString& field, const QString& value, Host& host)
{
    if (host.folderExists(value))
        field = value;
    else
        host.showWarning(QStringLiteral("La cartella ") + value + QStringLiteral(" non esiste"));
}

void ApplyYesNo(bool& field, const QString& value, const QString& key, Host& host)
{
    if (const auto yes = ParseYesNo(value))
        field = *yes;
    else
        host.showWarning(QStringLiteral("Valore ") + key + QStringLiteral(" non riconosciuto: ")
                         + value);
}

// One line of the file. Keys are tested in this order and match at the first character only.
void ApplyLine(const QString& line, SettingsRecord& s, Host& host)
{
    const auto value = [&line](QLatin1String key) -> std::optional<QString> {
        if (!line.startsWith(key))
            return std::nullopt;
        return line.mid(key.size());
    };

    if (const auto v = value(QLatin1String("WaitTimeout="))) {
        const auto seconds = ParseLong(*v);
        const qint64 ms = seconds ? qint64(*seconds) * 1000 : 0;
        if (!seconds || ms < std::numeric_limits<qint32>::min()
            || ms > std::numeric_limits<qint32>::max())
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
        ApplyFolder(s.JobFileDir, *v, host);
    } else if (const auto v = value(QLatin1String("RunStringCMD="))) {
        s.RunString[0] = *v;
    } else if (const auto v = value(QLatin1String("RunStringPAR="))) {
        s.RunString[1] = *v;
    } else if (const auto v = value(QLatin1String("DXFDWGmode="))) {
        const QString upper = v->toUpper();
        if (upper == QLatin1String("DXF") || upper == QLatin1String("DWG"))
            s.DXFDWGmode = *v;
        else
            host.showWarning(QStringLiteral("Valore DXFDWGmode non riconosciuto: ") + *v);
    } else if (const auto v = value(QLatin1String("MaxNumberFiles="))) {
        const auto n = ParseWhole(*v, std::numeric_limits<qint16>::min(),
                                  std::numeric_limits<qint16>::max());
        if (n)
            s.MaxNumberFiles = qint16(*n);
        else
            host.showWarning(QStringLiteral("Errore convertendo MaxNumberFiles in Integer"));
    } else if (const auto v = value(QLatin1String("KeepLog="))) {
        ApplyYesNo(s.KeepLog, *v, QStringLiteral("KeepLog"), host);
    } else if (const auto v = value(QLatin1String("Interattivo="))) {
        ApplyYesNo(s.Interattivo, *v, QStringLiteral("Interattivo"), host);
    }
}

} // namespace

void ReadSettings(const QString& path, SettingsRecord& settings, Host& host)
{
    if (!host.fileExists(path)) {
        host.showWarning(path + QStringLiteral(" non esiste"));
        return;
    }
    const bool read = host.readLines(path, [&](const QString& line) {
        if (!line.startsWith(QLatin1Char('*')))
            ApplyLine(line, settings, host);
    });
    if (!read)
        host.showWarning(QStringLiteral("Impossibile leggere il file ") + path);
}
