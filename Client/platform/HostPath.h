#pragma once
#include <QString>
#include <QStringView>

// Turns a Windows-style path ("y:\Richieste\Z_1.job") into one the host's file system understands.
// Paths stay Windows-style everywhere else; only the platform layer calls this.
QString HostPath(const QString& windowsPath);

// Whether a path relative to a root ("clienti\rossi") names the root itself (empty) or a folder
// below it on any host, Windows included: parts apart by "\" or "/", none empty, none "..", none
// ending in a dot or a blank, no drive, and no character that Windows forbids in a name.
bool StaysInsideRoot(QStringView relative);
