#pragma once
#include <QString>

// Turns a Windows-style path ("y:\Richieste\Z_1.job") into one the host's file system understands.
// Paths stay Windows-style everywhere else; only the platform layer calls this.
QString HostPath(const QString& windowsPath);
