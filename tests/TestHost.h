#pragma once
#include "platform/Host.h"
#include "request/Convert.h"
#include "request/Watcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <atomic>
#include <shared_mutex>
#include <thread>

// A host with a fixed clock that collects warnings, counts file-status calls, and can hold every
// file call as a share that stopped answering would. Files are real; file calls come from workers.
class TestHost : public Host {
public:
    QStringList warnings;
    int time = 45678;
    mutable std::atomic<int> statusCalls{0};
    std::function<void()> onPublished;   // a quick server at work

    void showWarning(const QString& text) override { warnings << text; }
    int secondsSinceMidnight() const override { return time; }
    FileStatus fileStatus(const QString& path) const override
    {
        pass();
        ++statusCalls;
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

    void hold(bool held)
    {
        if (held != m_held)
            held ? m_gate.lock() : m_gate.unlock();
        m_held = held;
    }
    int waiting() const { return m_waiting; }

private:
    void pass() const
    {
        ++m_waiting;
        std::shared_lock passing(m_gate);
        --m_waiting;
    }
    mutable std::shared_mutex m_gate;   // held exclusively while the share hangs
    mutable std::atomic<int> m_waiting{0};
    bool m_held = false;
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

inline QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Runs the event loop until done() holds; false after ten seconds.
inline bool WaitFor(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        std::this_thread::yield();
    }
    return done();
}

// Convert, waiting for its write to end; false when it was refused before any write.
inline bool ConvertAndWait(SettingsRecord& s, const QStringList& drawings, QLabel* status, Watcher& watcher, TestHost& host)
{
    bool written = false;
    return Convert(s, drawings, status, watcher, host, [&] { written = true; }) && WaitFor([&] { return written; });
}

// One tick, waiting for its result; false if it made more than two file-status calls.
inline bool TickAndWait(Watcher& watcher, TestHost& host)
{
    host.statusCalls = 0;
    watcher.tick();
    return WaitFor([&] { return !watcher.looking(); }) && host.statusCalls <= 2;
}
