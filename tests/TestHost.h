#pragma once
#include "platform/Host.h"
#include "platform/HostPath.h"

#include <QtTest>
#include <atomic>
#include <shared_mutex>

// A host with a fixed clock that collects warnings and counts file calls. Files are real, but the share that
// holds the paths under badShare (every path when it is empty) can misbehave: while the gate is locked its
// calls wait, as on a share that stopped answering; while failing its status calls fail, as on a dropped one.
class TestHost : public Host {
public:
    QStringList warnings;
    std::atomic<int> time{45678};   // moved on by the test while a send waits for the next second
    std::atomic<qint64> ahead{0};   // ms the request owner's clock runs ahead, for its delays
    mutable std::atomic<int> fileCalls{0};   // begun, waiting or not
    mutable std::shared_mutex gate;
    QString badShare;   // a host path; set while no call is out
    std::atomic<bool> failing{false};
    bool unsafe = false;   // offers no safe hand-over of a file

    QStringList told, opened;   // attention asked, with the notification's text; folders and files shown
    QStringList chosen, choosingIn;   // what the file dialog gives; the folders it started in

    ~TestHost() override
    {
        while (!idle())   // a start-up look may still be in pass()
            QThread::msleep(1);
    }
    void showWarning(const QString& text) override { warnings << text; }
    void askForAttention() override { told << "attention"; }
    void notify(const QString& title, const QString& text) override { told << title + ": " + text; }
    void openFolder(const QString& folder) override { opened << folder; }
    void openFile(const QString& file) override { opened << file; }
    void openLink(const QUrl& link) override { opened << link.toString(); }
    QStringList chooseDrawings(const QString& folder) override { return choosingIn << folder, chosen; }
    int secondsSinceMidnight() const override { return time; }
    qint64 msecsSinceEpoch() const override { return Host::msecsSinceEpoch() + ahead; }
    FileStatus fileStatus(const QString& path) const override
    {
        return pass(path) && failing ? FileStatus{false, false, 0, true} : Host::fileStatus(path);
    }
    // Runs once, when a job's temporary file is written and is about to be renamed to the job's name.
    mutable std::function<void()> beforeJobRename;
    Publication publishFile(const QString& path, const QByteArray& bytes) const override
    {
        pass(path);
        if (unsafe)
            return {Publication::Unsafe, {}};
        return PublishFile(path, bytes, [this](const QString& from, const QString& to, QString& reason) {
            if (to.endsWith(".job") && beforeJobRename)
                std::exchange(beforeJobRename, {})();
            return RenameNoReplace(from, to, reason);
        });
    }

private:
    // Whether path is on the bad share; waits while it hangs.
    bool pass(const QString& path) const
    {
        ++fileCalls;
        if (!QDir::fromNativeSeparators(HostPath(path)).startsWith(QDir::fromNativeSeparators(badShare)))
            return false;
        std::shared_lock passing(gate);
        return true;
    }
};

// A file of bytes, last written at modified when it is given.
inline void WriteBytes(const QString& path, const QByteArray& bytes, const QDateTime& modified = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    QVERIFY(!modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime));
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

inline const bool Windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
