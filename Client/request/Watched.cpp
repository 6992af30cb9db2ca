#include "request/Watched.h"

#include "platform/Host.h"

QString RequestName(int secondsSinceMidnight)
{
    return QStringLiteral("Z_") + QString::number(secondsSinceMidnight);
}

bool IsCompletion(const WatchedRequest& request, qint64 modified)
{
    constexpr qint64 hour = 3600 * 1000;
    if (request.earlier == WatchedRequest::NoLog)
        return true;
    if (request.earlier == WatchedRequest::Log)
        return modified != request.EarlierLogModified;
    return modified > request.SentAt - hour;
}

FileStatus LogStatus(const WatchedRequest& request, const Host& host)
{
    FileStatus log = host.fileStatus(request.LogFilePath);
    if (log.notThere() && !log.folderSeen)
        log.folderSeen = host.fileStatus(request.OutputRoot).isFolder;
    return log;
}

Marks LookForMarks(const WatchedRequest& request, const Host& host, int& calls)
{
    const auto look = [&](const QString& path) {
        return calls > 0 ? (--calls, host.fileStatus(path)) : FileStatus{false, false, 0, true};
    };
    Marks marks;
    marks.wip = look(request.WipFilePath);
    if (marks.wip.isFile || marks.wip.unknown)
        return marks;
    marks.log = look(request.LogFilePath);
    if (marks.log.notThere() && !marks.log.folderSeen && request.earlier != WatchedRequest::NoLog && calls > 0)
        marks.log.folderSeen = look(request.OutputRoot).isFolder;
    return marks;
}
