#include "platform/HostPath.h"

QString HostPath(const QString& windowsPath)
{
#ifdef Q_OS_WIN
    return windowsPath;
#else
    QString path = windowsPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A drive letter means a Windows share; Linux hosts mount those under /mnt/<letter>.
    const bool hasDrive = path.size() >= 2 && path[1] == QLatin1Char(':')
        && path[0].unicode() < 128 && path[0].isLetter()
        && (path.size() == 2 || path[2] == QLatin1Char('/'));
    if (hasDrive)
        path = QLatin1String("/mnt/") + path[0].toLower() + path.mid(2);
    return path;
#endif
}
