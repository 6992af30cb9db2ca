#include "request/Watched.h"

#include "platform/Host.h"
#include "platform/HostPath.h"

#include <utility>

QString RequestName(int secondsSinceMidnight)
{
    return QStringLiteral("Z_") + QString::number(secondsSinceMidnight);
}

bool FolderThere(const ShareFolder& folder, const Host& host)
{
    const FileStatus seen = host.fileStatus(folder.path);
    return seen.isFolder && (folder.parentDevice == 0 || seen.device != folder.parentDevice);
}

ShareFolder SeeMountPoint(ShareFolder folder, const Host& host)
{
    const FileStatus seen = host.fileStatus(folder.path);
    if (!seen.isFolder || seen.device == 0)
        return folder;
    const FileStatus parent = host.fileStatus(ParentFolder(folder.path));
    if (parent.isFolder && parent.device != 0 && parent.device != seen.device)
        folder.parentDevice = parent.device;
    return folder;
}

bool IsCompletion(const WatchedRequest& request, const FileStatus& log)
{
    if (!log.isFile || request.wipBefore)   // another request of the name at work: its log may come first
        return false;
    switch (request.baseline) {
    case WatchedRequest::NoLog: return true;
    case WatchedRequest::LogThere: return log.modified != request.BaselineModified;   // not what lay there then
    case WatchedRequest::NotSeen: break;
    }
    // A log stamped after the job is no evidence: the job keeps the stamp of its temporary file,
    // written before the rename, and another request's log may come in between.
    return false;
}

FileStatus LogStatus(const WatchedRequest& request, const Host& host)
{
    FileStatus log = host.fileStatus(request.LogFilePath);
    if (log.notThere() && !log.folderSeen)
        log.folderSeen = FolderThere(request.OutputRoot, host);
    return log;
}

Marks LookForMarks(const WatchedRequest& request, const Host& host, int& calls, bool endingDue)
{
    const auto look = [&](const QString& path) {
        return calls > 0 ? (--calls, host.fileStatus(path)) : FileStatus{false, false, 0, true};
    };
    const auto there = [&](const ShareFolder& folder) { return calls > 0 && (--calls, FolderThere(folder, host)); };
    Marks marks;
    marks.wip = look(request.WipFilePath);
    if (marks.wip.unknown)
        return marks;
    if (marks.wip.isFile) {
        // The first sight of the server at work, with nothing known yet of what lies at the log's
        // path: what is there now is not what the server will write.
        if (!request.wipSeen && !request.wipBefore && !request.WipGoneAt
            && request.baseline == WatchedRequest::NotSeen) {
            marks.log = look(request.LogFilePath);
            if (marks.log.notThere() && !marks.log.folderSeen)
                marks.log.folderSeen = there(request.OutputRoot);
        }
        return marks;
    }
    const bool wipGoing = request.wipBefore || (request.wipSeen && !request.WipGoneAt);
    if (wipGoing && marks.wip.notThere() && !marks.wip.folderSeen)
        marks.wip.folderSeen = there(request.RequestFolder);
    marks.log = look(request.LogFilePath);
    if (marks.log.notThere() && !marks.log.folderSeen && (request.baseline != WatchedRequest::NoLog || endingDue))
        marks.log.folderSeen = there(request.OutputRoot);
    return marks;
}

namespace {

// What lies at the log's path, seen after publishing and not this request's log: the baseline that
// its log will differ from.
void NoteLog(WatchedRequest& request, const FileStatus& log)
{
    if (log.absent()) {
        request.baseline = WatchedRequest::NoLog;
    } else if (log.isFile && request.baseline == WatchedRequest::NotSeen) {
        request.baseline = WatchedRequest::LogThere;
        request.BaselineModified = log.modified;
    }
}

}   // namespace

Seen Learn(WatchedRequest& request, const Marks& marks, qint64 now, qint64 endedAfterMs)
{
    if (marks.wip.unknown)
        return Seen::Nothing;
    if (marks.wip.isFile) {
        if (request.WipGoneAt || request.wipBefore)
            return Seen::Nothing;
        request.wipSeen = true;
        if (!IsCompletion(request, marks.log))
            NoteLog(request, marks.log);
        return Seen::Converting;
    }
    if (marks.wip.absent()) {
        if (std::exchange(request.wipBefore, false)) {
            // The other request of the name is done: only what lies at the log's path from now on, which
            // its log may be, is this request's baseline.
            request.baseline = WatchedRequest::NotSeen;
            request.Job = {};
        }
        if (request.wipSeen && !request.WipGoneAt)
            request.WipGoneAt = now;
    }
    if (IsCompletion(request, marks.log))
        return Seen::Converted;
    NoteLog(request, marks.log);
    const bool answered = marks.log.isFile || marks.log.absent();
    if (request.WipGoneAt && answered && now - request.WipGoneAt >= endedAfterMs)
        return Seen::EndedWithoutLog;
    return Seen::Nothing;
}
