#include "platform/Host.h"

#include "platform/Desktop.h"
#include "platform/HostPath.h"

#include <QDateTime>
#include <QTime>

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
    ShowInFileManager(HostPath(folder));
}

int Host::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}

qint64 Host::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
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
