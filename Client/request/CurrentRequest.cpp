#include "request/CurrentRequest.h"

#include "platform/Host.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The log's status, with its absence made sure of: where the answer does not tell whether the
// folder is there, the output root is looked at too (the output folder may not be made yet).
FileStatus LogStatus(const WatchedRequest& request, const Host& host)
{
    FileStatus log = host.fileStatus(request.LogFilePath);
    if (!log.isFile && !log.isFolder && !log.unknown && !log.folderSeen)
        log.folderSeen = host.fileStatus(request.OutputRoot).isFolder;
    return log;
}

// Runs on the look worker: one file-status call for the .wip, and one for the .log when the
// .wip is surely not there. A third only on the rare step that would clear the guard against an
// earlier log.
Marks LookForMarks(const WatchedRequest& request, const Host& host)
{
    Marks marks;
    marks.wip = host.fileStatus(request.WipFilePath);
    if (!marks.wip.isFile && !marks.wip.unknown)
        marks.log =
            request.earlier == WatchedRequest::NoLog ? host.fileStatus(request.LogFilePath) : LogStatus(request, host);
    return marks;
}

// What a send needs on the write worker, copied from the settings on the window's thread.
struct Sending {
    QString jobFolder, jobExt, wipExt, logExt, logFolder, outputRoot;
    QByteArray bytes;
    qint64 sentAt = 0;

    QString jobPath(const QString& name) const { return jobFolder + QLatin1Char('\\') + name + jobExt; }
    WatchedRequest under(const QString& name) const
    {
        WatchedRequest request;
        request.Name = name;
        request.WipFilePath = jobFolder + QLatin1Char('\\') + name + wipExt;
        request.LogFilePath = logFolder + QLatin1Char('\\') + name + logExt;
        request.OutputFolder = logFolder;
        request.OutputRoot = outputRoot;
        request.SentAt = sentAt;
        return request;
    }
};

struct Publishing {
    WatchedRequest request;   // under the name it went out with
    bool taken = false;   // another request holds the name
    QString warning;
};

// One try under one name. Another request holds it while its job waits, while the server works on
// it (a server may take the job out as it starts), or once it is done within the hour: names repeat
// only daily, so such a log is another workstation's request of this same second. The earlier log
// is read before the job is out, so that a quick server's log for this very request is never taken
// for an earlier one; the output root is often another server than the request folder, so it is
// read on a worker of its own and waited for only briefly. The rename that refuses an existing
// job stays the last word.
Publishing TryName(const Sending& sending, const QString& name, const Host& host, QThreadPool& reads)
{
    constexpr qint64 hour = 3600 * 1000;
    Publishing publishing;
    WatchedRequest& request = publishing.request = sending.under(name);
    const QString job = sending.jobPath(name);
    const bool waiting = host.fileStatus(job).isFile;
    publishing.taken = (waiting && !host.fileHolds(job, sending.bytes)) || host.fileStatus(request.WipFilePath).isFile;
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

// Runs on the write worker: the job goes out under the name of this second or, while another
// request holds that, of the next free one, for up to waitMs on the monotonic clock.
Publishing SendUnderAFreeName(const Sending& sending, const Host& host, QThreadPool& reads, int waitMs,
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

}   // namespace

QString RequestName(int secondsSinceMidnight)
{
    return QStringLiteral("Z_") + QString::number(secondsSinceMidnight);
}

bool IsCompletion(const WatchedRequest& request, qint64 modified)
{
    constexpr qint64 hour = 3600 * 1000;
    if (request.earlier == WatchedRequest::NoLog)
        return true;
    const bool recent = modified > request.SentAt - hour;
    if (request.earlier == WatchedRequest::Log)
        return modified != request.EarlierLogModified || (recent && request.WipSeen);
    return recent;
}

CurrentRequest::CurrentRequest(const Host& host, QObject* parent, int nameWaitMs)
    : QObject(parent)
    , m_host(host)
    , m_nameWaitMs(nameWaitMs)
{
    // One thread each: at most one look and one write are out, and neither waits for the other.
    for (QThreadPool* pool : {&m_looks, &m_writes, &m_earlierReads})
        pool->setMaxThreadCount(1);
    connect(&m_look, &QFutureWatcherBase::finished, this, [this] {
        m_looking = false;
        if (m_lookGeneration == m_generation && !m_writing && !m_telling)
            apply(m_look.result());
    });
}

bool CurrentRequest::send(SettingsRecord& s, const QStringList& drawings)
{
    emit statusChanged(RequestSent);
    Sending sending{s.JobFileDir,
                    s.JobExt,
                    s.WipExt,
                    s.LogExt,
                    s.OutFolder.isEmpty() ? s.DXFOutDirRoot : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder,
                    s.DXFOutDirRoot,
                    {},
                    0};
    const QString refusal = JobBytes(s, drawings, sending.bytes);
    if (!refusal.isEmpty()) {
        tell(refusal, true);
        return false;
    }
    sending.sentAt = m_host.msecsSinceEpoch();

    m_writing = true;
    m_writingName = RequestName(m_host.secondsSinceMidnight());
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = m_generation;
    auto* watcher = new QFutureWatcher<Publishing>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [=, &s] {
        watcher->deleteLater();
        const Publishing published = watcher->result();
        m_writing = false;
        const bool current = generation == m_generation;   // no reset in the meantime
        if (!published.warning.isEmpty()) {
            tell(published.warning, current);
            return;
        }
        if (current) {
            s.JobFilePath = sending.jobPath(published.request.Name);
            m_request = published.request;   // both paths at once, on this thread
            ++m_generation;
        }
        emit sendEnded({});
    });
    watcher->setFuture(QtConcurrent::run(&m_writes, SendUnderAFreeName, sending, std::cref(m_host),
                                         std::ref(m_earlierReads), m_nameWaitMs, m_cancelled));
    return true;
}

void CurrentRequest::giveUp()
{
    if (m_cancelled)
        *m_cancelled = true;
}

// A job that did not go out: the request watched before it is still watched.
void CurrentRequest::tell(const QString& warning, bool current)
{
    m_telling = true;
    if (current)
        emit statusChanged(PreparingList);
    emit sendEnded(warning);
    m_telling = false;
}

void CurrentRequest::reset()
{
    m_request = WatchedRequest();
    ++m_generation;
}

void CurrentRequest::tick()
{
    if (m_looking || m_writing || m_telling)
        return;
    if (m_request.WipFilePath.isEmpty() && m_request.LogFilePath.isEmpty())
        return;
    m_looking = true;
    m_lookGeneration = m_generation;
    m_look.setFuture(QtConcurrent::run(&m_looks, LookForMarks, m_request, std::cref(m_host)));
}

bool CurrentRequest::idle()
{
    return m_looks.waitForDone(0) && m_writes.waitForDone(0) && m_earlierReads.waitForDone(0);
}

// A look that failed tells nothing and changes nothing, the guard against an earlier log included.
void CurrentRequest::apply(const Marks& marks)
{
    if (marks.wip.unknown)
        return;
    if (marks.wip.isFile) {
        m_request.WipSeen = true;
        emit statusChanged(Converting);
        return;
    }
    if (!marks.log.isFile) {
        if (marks.log.absent())   // gone: whatever comes next is this request's
            m_request.earlier = WatchedRequest::NoLog;
        return;
    }
    if (IsCompletion(m_request, marks.log.modified))
        emit statusChanged(Converted);
}
