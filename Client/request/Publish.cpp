#include "request/Publish.h"

#include "platform/Host.h"
#include "request/JobFile.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

// One try under one name. A log written within the hour is another workstation's request of this
// same second, already done: names repeat only daily. The earlier log is read before the job is out,
// so that a quick server's log for this very request is never taken for an earlier one; the output
// root is often another server than the request folder, so it is read on a worker of its own and
// waited for only briefly. The rename that refuses an existing job stays the last word.
Publishing TryName(const Sending& sending, const QString& name, const Host& host, QThreadPool& reads)
{
    constexpr qint64 hour = 3600 * 1000;
    Publishing publishing;
    WatchedRequest& request = publishing.request = sending.under(name);
    const QString job = sending.jobPath(name);
    const bool waiting = host.fileStatus(job).isFile;
    const FileStatus wip = host.fileStatus(request.WipFilePath);   // a look that failed is no absence
    publishing.taken = (waiting && !host.fileHolds(job, sending.bytes)) || wip.isFile || wip.unknown;
    if (publishing.taken)
        return publishing;
    const auto log = LookWithin(reads, 300, [request, &host] { return LogStatus(request, host); });
    if (log && log->isFile && log->modified > host.msecsSinceEpoch() - hour)
        return publishing.taken = true, publishing;
    request.earlier = !log || !(log->isFile || log->absent()) ? WatchedRequest::NotKnown
        : log->isFile                                         ? WatchedRequest::Log
                                                              : WatchedRequest::NoLog;
    request.EarlierLogModified = log ? log->modified : 0;
    if (!waiting)   // else the same job sent twice: it counts as sent once
        publishing.taken = WriteJobFile(job, sending.bytes, host, publishing.warning) == JobHandOver::NameTaken;
    return publishing;
}

}   // namespace

Publishing PublishUnderAFreeName(const Sending& sending, const Host& host, QThreadPool& reads, int waitMs,
                                 const std::shared_ptr<std::atomic<bool>>& cancelled)
{
    QElapsedTimer waited;
    waited.start();
    Publishing publishing;
    for (int second = -1;; QThread::msleep(50)) {
        if (const int now = host.secondsSinceMidnight(); now != second) {
            second = now;
            publishing = TryName(sending, RequestName(now), host, reads);
            if (!publishing.taken)
                return publishing;
        }
        if (waited.elapsed() >= waitMs || *cancelled) {
            publishing.warning = QStringLiteral("Richiesta non inviata: la richiesta ") + publishing.request.Name
                + QStringLiteral(" precedente non è ancora stata presa in carico dal server. "
                                 "Riprovare tra qualche secondo.");
            return publishing;
        }
    }
}
