#pragma once
#include <QString>
#include <QStringView>

// Turns a Windows-style path ("y:\Richieste\Z_1.job") into the host's own form, the one its file
// system understands and its user reads ("/mnt/y/Richieste/Z_1.job" on Linux). Paths are stored
// and compared Windows-style; this is for touching files and for showing a path.
QString HostPath(const QString& windowsPath);

// Whether a host path is /mnt/<letter> or under it: the mount of a Windows drive, as HostPath
// writes it (a lower-case letter). Never on Windows. Inline: it is asked of every drawing.
inline bool IsDriveMount(QStringView p)
{
#ifdef Q_OS_WIN
    Q_UNUSED(p);
    return false;
#else
    return p.size() >= 6 && p[0] == u'/' && p[1] == u'm' && p[2] == u'n' && p[3] == u't' && p[4] == u'/' && p[5] >= u'a'
        && p[5] <= u'z' && (p.size() == 6 || p[6] == u'/');
#endif
}

// The folder that holds a configured folder, for telling a mount point from the empty folder it leaves
// when its share goes away: on Linux the host path's parent ("z:" gives "/mnt"). Empty on Windows,
// where the system's errors tell an unmapped drive or an unreachable share.
QString ParentFolder(const QString& windowsPath);

// The way back, for what a Windows server reads: on Linux a path under /mnt/<letter> (the mount
// of drive <letter>:) becomes "<letter>:\..." with backslashes; any other path, and every path on
// Windows, stays as it is.
QString WindowsPath(const QString& hostPath);

// Why a path relative to a root ("clienti\rossi") does not name the root itself (empty) or a folder
// below it on any host, Windows included, in words the user reads; empty when it does. It must have
// no character that Windows forbids in a name (which rules out a drive too) and parts apart by "\"
// or "/", none empty, none "..", none ending in a dot or a blank, none a device name (CON, NUL,
// COM1, ...).
QString WhyNotInsideRoot(QStringView relative);
inline bool StaysInsideRoot(QStringView relative)
{
    return WhyNotInsideRoot(relative).isEmpty();
}
