#include "platform/HostPath.h"

QString HostPath(const QString& windowsPath)
{
#ifdef Q_OS_WIN
    return windowsPath;
#else
    QString path = windowsPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A drive letter means a Windows share; Linux hosts mount those under /mnt/<letter>.
    const bool hasDrive = path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].unicode() < 128
        && path[0].isLetter() && (path.size() == 2 || path[2] == QLatin1Char('/'));
    if (hasDrive)
        path = QLatin1String("/mnt/") + path[0].toLower() + path.mid(2);
    return path;
#endif
}

QString ParentFolder(const QString& windowsPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(windowsPath);
    return {};
#else
    QString path = HostPath(windowsPath);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const int last = int(path.lastIndexOf(QLatin1Char('/')));
    return last < 0 ? QString() : last == 0 ? QStringLiteral("/") : path.left(last);
#endif
}

QString WindowsPath(const QString& hostPath)
{
#ifdef Q_OS_WIN
    return hostPath;
#else
    if (!IsDriveMount(hostPath))
        return hostPath;
    QString path = hostPath[5] + QStringLiteral(":\\") + hostPath.mid(7);
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path;
#endif
}

namespace {

// CON, PRN, AUX, NUL, COM0-COM9, LPT0-LPT9 (the superscript digits 1 to 3 too), CONIN$ and CONOUT$,
// in any case, with any extension and blanks before it, name devices on Windows, never folders.
bool IsDeviceName(QStringView part)
{
    QStringView stem = part.left(part.indexOf(QLatin1Char('.')) < 0 ? part.size() : part.indexOf(QLatin1Char('.')));
    while (stem.endsWith(QLatin1Char(' ')))
        stem.chop(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem.compare(QLatin1String(device), Qt::CaseInsensitive) == 0)
            return true;
    return stem.size() == 4
        && (stem.left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0
            || stem.left(3).compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0)
        && QStringView(u"0123456789\u00B9\u00B2\u00B3").contains(stem[3]);
}

}   // namespace

QString WhyNotInsideRoot(QStringView relative)
{
    const auto separator = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); };
    const auto quoted = [](QStringView text) { return QLatin1Char('\'') + text.toString() + QLatin1Char('\''); };
    qsizetype start = 0;
    for (qsizetype i = 0; i < relative.size(); ++i) {
        const char16_t c = relative[i].unicode();
        // ':' also rules out a drive; '\0'..'\x1F' are control characters.
        if (c < 0x20)
            return QStringLiteral("un carattere di controllo non è ammesso");
        if (QStringView(u"<>:\"|?*").contains(QChar(c)))
            return QStringLiteral("il carattere ") + quoted(relative.mid(i, 1)) + QStringLiteral(" non è ammesso");
    }
    for (qsizetype i = 0; !relative.isEmpty() && i <= relative.size(); ++i) {
        if (i < relative.size() && !separator(relative[i]))
            continue;
        const QStringView part = relative.mid(start, i - start);
        // Empty: a leading separator (the drive's root) or a doubled one. ".." and every name
        // ending in a dot or a blank, which Windows would silently trim to another name.
        if (part.isEmpty())
            return start == 0 ? QStringLiteral("non può iniziare con un separatore")
                              : QStringLiteral("una parte è vuota");
        if (part == QLatin1String(".."))
            return QStringLiteral("'..' non è ammesso");
        if (part.endsWith(QLatin1Char('.')) || part.endsWith(QLatin1Char(' ')))
            return quoted(part)
                + (part.endsWith(QLatin1Char('.')) ? QStringLiteral(" finisce con un punto")
                                                   : QStringLiteral(" finisce con uno spazio"));
        if (IsDeviceName(part))
            return QStringLiteral("il nome ") + quoted(part) + QStringLiteral(" è riservato da Windows");
        start = i + 1;
    }
    return {};
}
