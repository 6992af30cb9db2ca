#pragma once
#include "platform/Host.h"
#include "request/Convert.h"
#include "request/Watcher.h"

#include <QtTest>
#include <atomic>
#include <shared_mutex>

// A host with a fixed clock that collects warnings and counts file calls. Files are real; file
// calls come from workers and wait while the gate is locked, as on a share that stopped answering.
class TestHost : public Host {
public:
    QStringList warnings;
    int time = 45678;
    mutable std::atomic<int> fileCalls{0};   // begun, waiting or not
    mutable std::shared_mutex gate;
    std::function<void()> onPublished;       // a quick server at work

    void showWarning(const QString& text) override { warnings << text; }
    int secondsSinceMidnight() const override { return time; }
    FileStatus fileStatus(const QString& path) const override
    {
        pass();
        return Host::fileStatus(path);
    }
    Publication publishFile(const QString& path, const QByteArray& bytes) const override
    {
        pass();
        const Publication publication = Host::publishFile(path, bytes);
        if (onPublished)
            onPublished();
        return publication;
    }

private:
    void pass() const
    {
        ++fileCalls;
        std::shared_lock passing(gate);
    }
};

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Convert, waiting for its write to end; false when it was refused before any write.
inline bool ConvertAndWait(SettingsRecord& s, const QStringList& drawings, QLabel* status, Watcher& watcher, TestHost& host)
{
    bool written = false;
    return Convert(s, drawings, status, watcher, host, [&] { written = true; }) && QTest::qWaitFor([&] { return written; });
}

// One tick, waiting for its result; false if it made more than two file calls.
inline bool TickAndWait(Watcher& watcher, TestHost& host)
{
    host.fileCalls = 0;
    watcher.tick();
    return QTest::qWaitFor([&] { return !watcher.looking(); }) && host.fileCalls <= 2;
}
