#pragma once
#include "platform/Host.h"

#include <QDir>
#include <QFile>
#include <QStringList>

// A host with a fixed clock that collects warnings instead of showing them and counts how
// often the file system is asked for a file's status. Files themselves are real.
class TestHost : public Host {
public:
    QStringList warnings;
    int time = 0;
    mutable int statusCalls = 0;

    void showWarning(const QString& text) override { warnings << text; }
    int secondsSinceMidnight() const override { return time; }
    FileStatus fileStatus(const QString& path) const override
    {
        ++statusCalls;
        return Host::fileStatus(path);
    }
};

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A folder as the program names it: Windows-style separators.
inline QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}
