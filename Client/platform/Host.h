#pragma once
#include "platform/FileCalls.h"

#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

// The program's one door to its host: warnings, the clock and the file system. Every path is
// Windows-style; the file calls map it (HostPath). Tests subclass it to fix the time, collect
// warnings, count file-status calls or hold the file system as a hung share would.
//
// The file calls may block for as long as a share hangs; the window calls them on a worker
// thread only, so they must not touch anything but the file system.
class Host {
public:
    Host();
    virtual ~Host() = default;

    // Warnings open over this window and belong to it.
    void setWindow(QWidget* window) { m_window = window; }
    virtual void showWarning(const QString& text);
    // For a user who is in another window: the window asks for attention the platform's way (its
    // taskbar button flashes), and the desktop shows a notification where it offers them.
    virtual void askForAttention();
    virtual void notify(const QString& title, const QString& text);
    // The folder (Windows-style) in the desktop's file manager.
    virtual void openFolder(const QString& folder);
    // The file (Windows-style) in the program the desktop opens it with.
    virtual void openFile(const QString& file);
    // A web or mail link in the system's browser or mail program.
    virtual void openLink(const QUrl& link);
    // Drawings the user chooses in a file dialog that starts in folder (a host path): full host paths.
    virtual QStringList chooseDrawings(const QString& folder);
    virtual int secondsSinceMidnight() const;
    virtual qint64 msecsSinceEpoch() const;
    // For waits on a worker (the next request name): a monotonic clock in ms, and a pause.
    virtual qint64 monotonicMs() const;
    virtual void pause(int ms) const;

    // The file calls of FileCalls.h. fileExists and folderExists are false when the look failed.
    virtual FileStatus fileStatus(const QString& path) const;
    bool fileExists(const QString& path) const { return fileStatus(path).isFile; }
    bool folderExists(const QString& path) const { return fileStatus(path).isFolder; }
    virtual bool readLines(const QString& path, const std::function<void(const QString& line)>& onLine,
                           TextIn textIn = TextIn::CodePage) const;
    virtual Publication publishFile(const QString& path, const QByteArray& bytes) const;
    virtual bool fileHolds(const QString& path, const QByteArray& bytes) const;
    virtual bool withdrawFile(const QString& path) const;

    // For start-up, when the window may wait for a share, but not for long: the status looked up
    // on a worker of the host's own and waited for at most ms; nothing when it did not answer.
    virtual std::optional<FileStatus> fileStatusWithin(const QString& path, int ms) const;
    // No such look is still out; one that hangs on a share may never end.
    bool idle() const { return m_startUpLooks.waitForDone(0); }

private:
    QPointer<QWidget> m_window;
    mutable QThreadPool m_startUpLooks;
};

// What look sees, run on one of pool's threads and waited for at most ms. Nothing when it did not
// end in time (it goes on, and its answer is dropped), or no thread of pool came free in that time.
template <typename Seen> std::optional<Seen> LookWithin(QThreadPool& pool, int ms, std::function<Seen()> look)
{
    auto answer = std::make_shared<std::promise<Seen>>();
    std::future<Seen> seen = answer->get_future();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // A thread that has just answered may not be free yet; one that hangs stays busy to the deadline.
    while (!pool.tryStart([answer, look] { answer->set_value(look()); })) {
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (seen.wait_until(deadline) != std::future_status::ready)
        return std::nullopt;
    return seen.get();
}
