#include "platform/Host.h"

#include "platform/Desktop.h"
#include "platform/HostPath.h"

#include <QDateTime>
#include <QTime>

Host::Host()
{
    // The two folder keys; a settings file that names more while both hang waits 3 s for each.
    m_startUpLooks.setMaxThreadCount(2);
}

void Host::showWarning(const QString& text)
{
    ShowWarning(text, m_window);
}

void Host::askForAttention()
{
    AskForAttention(m_window);
}

void Host::notify(const QString& title, const QString& text)
{
    ShowNotification(title, text);
}

void Host::openFolder(const QString& folder)
{
    OpenOnDesktop(HostPath(folder));
}

void Host::openFile(const QString& file)
{
    OpenOnDesktop(HostPath(file));
}

void Host::openLink(const QUrl& link)
{
    OpenLink(link);
}

QStringList Host::chooseDrawings(const QString& folder)
{
    return ChooseDrawings(m_window, folder);
}

int Host::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

qint64 Host::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 Host::monotonicMs() const
{
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

void Host::pause(int ms) const
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

FileStatus Host::fileStatus(const QString& path) const
{
    return FileStatusOf(path);
}

bool Host::readLines(const QString& path, const std::function<void(const QString& line)>& onLine, TextIn textIn) const
{
    return ReadLines(path, onLine, textIn);
}

Publication Host::publishFile(const QString& path, const QByteArray& bytes) const
{
    return PublishFile(path, bytes);
}

bool Host::fileHolds(const QString& path, const QByteArray& bytes) const
{
    return FileHolds(path, bytes);
}

bool Host::withdrawFile(const QString& path) const
{
    return WithdrawFile(path);
}

std::optional<FileStatus> Host::fileStatusWithin(const QString& path, int ms) const
{
    return LookWithin<FileStatus>(m_startUpLooks, ms, [this, path] { return fileStatus(path); });
}
