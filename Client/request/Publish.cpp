#include "request/Publish.h"

#include "platform/Host.h"
#include "platform/HostPath.h"

namespace {

constexpr int kLogReadMs = 300;

// The folder part of a Windows-style path.
QString FolderOf(const QString& path)
{
    return path.left(qMax(0, int(path.lastIndexOf(QLatin1Char('\\')))));
}

// One try under one name. A log written within the hour is another workstation's request of this
// same second, already done: names repeat only daily. That log is read before the job is out, so
// that a quick server's log for this very job is never taken for another's; the output root is often
// another server than the request folder, so it is read on a worker of its own and waited for only
// briefly. The rename that refuses an existing job stays the last word. Once the job is out, what
// lies at the log's path is read again: a log there then, even one absent a moment before, is not
// this job's.
//
// Another request of the name may get in between the checks and the rename: a .wip stamped before
// this job was written, or a log written since the read before, is surely another's. Under a shared
// name this request's log would overwrite theirs and could not be told from it, so while the server
// has not taken the job it is taken back and the next name tried.
Publishing TryUnderReservation(const Sending& sending, const QString& name, const Host& host, QThreadPool& reads)
{
    const auto withinTheHour = [&host](const FileStatus& log) {
        return log.isFile && log.modified > host.msecsSinceEpoch() - 3600 * 1000;
    };
    Publishing publishing;
    WatchedRequest& request = publishing.request = sending.under(name);
    const bool waiting = host.fileStatus(request.JobFilePath).isFile;
    const FileStatus wip = host.fileStatus(request.WipFilePath);   // a look that failed is no absence
    publishing.taken = (waiting && !host.fileHolds(request.JobFilePath, sending.bytes)) || wip.isFile || wip.unknown;
    if (publishing.taken)
        return publishing;
    // The output root is seen for a mount point on the same worker, so that a hung one waits no longer.
    using RootAndLog = std::pair<ShareFolder, FileStatus>;
    const auto earlier = LookWithin<RootAndLog>(reads, kLogReadMs, [request, &host] {
        WatchedRequest seen = request;
        seen.OutputRoot = SeeMountPoint(request.OutputRoot, host);
        return RootAndLog(seen.OutputRoot, LogStatus(seen, host));
    });
    if (earlier)
        request.OutputRoot = earlier->first;
    if (earlier && withinTheHour(earlier->second))
        return publishing.taken = true, publishing;
    if (!waiting) {   // else the same job sent twice: it counts as sent once
        const JobHandOver handedOver = WriteJobFile(request.JobFilePath, sending.bytes, host, publishing.warning, sending.requestFolderRefused);
        publishing.taken = handedOver == JobHandOver::NameTaken;
        if (handedOver != JobHandOver::Sent)
            return publishing;
    }
    request.Job = host.fileStatus(request.JobFilePath);   // taken already or not seen: no stamp to compare
    const FileStatus wipThen = host.fileStatus(request.WipFilePath);
    request.wipBefore = !wipThen.notThere();
    // A read that hung holds the reads' one thread; the first tick learns instead.
    const WatchedRequest look = request;
    const auto after = earlier ? LookWithin<FileStatus>(reads, kLogReadMs, [look, &host] { return LogStatus(look, host); })
                               : std::nullopt;
    if (after && after->isFile)
        request.baseline = WatchedRequest::LogThere, request.BaselineModified = after->modified;
    else if (after && after->absent())
        request.baseline = WatchedRequest::NoLog;
    const bool othersWip = wipThen.isFile && request.Job.isFile && wipThen.modified < request.Job.modified;
    const bool othersLog = after && withinTheHour(*after);
    if (!waiting && (othersWip || othersLog) && host.withdrawFile(request.JobFilePath))
        publishing.taken = true;
    return publishing;
}

enum class Reservation {
    Made,
    Held,   // by another send of the name
    NotMade,   // the folder did not take it: the job's own write tells why
};

// The name reserved in the request folder for the length of one send, by a file that no reader of
// jobs takes up, made only where none is. The checks above cannot see another workstation's job that
// goes out and is taken by the server between them and the rename, and the rename then succeeds
// under a name in use. Two sends of the name never overlap in time, so the later one sees the
// earlier one's job or its marks, as long as the server makes each mark before it removes the one
// before (the .wip before it takes the job out, the log before the .wip goes). One left by a send that was killed midway holds the name for an hour,
// then the next try removes it and goes on to the next name, so that two such tries never both take it.
Reservation Reserve(const QString& path, const Host& host)
{
    switch (host.publishFile(path, {}).outcome) {
    case Publication::Published: return Reservation::Made;
    case Publication::NameTaken: break;
    default: return Reservation::NotMade;
    }
    const FileStatus left = host.fileStatus(path);
    if (left.isFile && left.modified < host.msecsSinceEpoch() - 3600 * 1000)
        host.withdrawFile(path);
    return Reservation::Held;
}

Publishing TryName(const Sending& sending, const QString& name, const Host& host, QThreadPool& reads)
{
    if (sending.heldNames.contains(name))
        return Publishing{sending.under(name), true, {}};
    const QString reservation = sending.requestFolder.path + QLatin1Char('\\') + name + QStringLiteral(".prenotazione");
    const Reservation reserved = Reserve(reservation, host);
    if (reserved == Reservation::Held)
        return Publishing{sending.under(name), true, {}};
    Publishing publishing = TryUnderReservation(sending, name, host, reads);
    if (reserved == Reservation::Made)
        host.withdrawFile(reservation);
    return publishing;
}

}   // namespace

Publishing PublishUnderAFreeName(const Sending& sending, const Host& host, QThreadPool& reads, int waitMs,
                                 const std::shared_ptr<std::atomic<bool>>& cancelled)
{
    Sending seen = sending;
    seen.requestFolder = SeeMountPoint(sending.requestFolder, host);
    const qint64 start = host.monotonicMs();
    Publishing publishing;
    for (int second = -1;; host.pause(50)) {
        if (const int now = host.secondsSinceMidnight(); now != second) {
            second = now;
            publishing = TryName(seen, RequestName(now), host, reads);
            if (!publishing.taken)
                return publishing;
        }
        if (host.monotonicMs() - start >= waitMs || *cancelled) {
            publishing.warning = QStringLiteral("Richiesta non inviata: la richiesta ") + publishing.request.Name
                + QStringLiteral(" precedente non è ancora stata presa in carico dal server. "
                                 "Riprovare tra qualche secondo.");
            return publishing;
        }
    }
}

JobHandOver WriteJobFile(const QString& path, const QByteArray& bytes, const Host& host, QString& warning,
                         const QString& folderRefused)
{
    const Publication published = host.publishFile(path, bytes);
    switch (published.outcome) {
    case Publication::Published: return JobHandOver::Sent;
    case Publication::NameTaken: return host.fileHolds(path, bytes) ? JobHandOver::Sent : JobHandOver::NameTaken;
    case Publication::Unsafe:
        warning = QStringLiteral("Richiesta non inviata: la cartella condivisa ") + HostPath(FolderOf(path))
            + QStringLiteral(" non consente di consegnare la richiesta in modo sicuro, senza il rischio "
                             "di sostituire una richiesta in attesa. Rivolgersi all'amministratore della rete.");
        return JobHandOver::Failed;
    case Publication::Failed: break;
    }
    // A rename whose reply was lost on the way back from the share: the job is out all the same.
    if (host.fileHolds(path, bytes))
        return JobHandOver::Sent;
    // The usual cause on a workstation just set up: the request share is not mapped. Where the file's
    // folder was refused at start-up (its share down then), the default stands in its place until a restart.
    if (host.fileStatus(FolderOf(path)).notThere())
        warning = QStringLiteral("Richiesta non inviata: la cartella delle richieste ") + FolderOf(path)
            + (folderRefused.isEmpty()
                   ? QStringLiteral(" non esiste (JobFileDir in kivra_client.ini)")
                   : QStringLiteral(" non esiste. JobFileDir=") + folderRefused
                       + QStringLiteral(" in kivra_client.ini non era raggiungibile all'avvio: riavviare il "
                                        "programma quando la condivisione è di nuovo disponibile"));
    else
        warning =
            QStringLiteral("Impossibile scrivere il file ") + HostPath(path) + QStringLiteral(": ") + published.reason;
    return JobHandOver::Failed;
}
