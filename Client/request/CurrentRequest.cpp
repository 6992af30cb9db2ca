#include "request/CurrentRequest.h"

#include "platform/Host.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

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

struct Publishing {
    QString warning;
    WatchedRequest::Earlier earlier = WatchedRequest::NotKnown;
    qint64 earlierModified = 0;
};

// Runs on the write worker. The earlier log is read before the job is out, so that a quick
// server's log for this very request is never taken for an earlier one. The output root is often
// another server than the request folder: it is read on a worker of its own and waited for only
// briefly, so that a hung output root never holds a job back.
Publishing ReadEarlierLogAndPublish(const QString& path, const QString& name, const QByteArray& bytes,
                                    const WatchedRequest& request, const Host& host, QThreadPool& reads)
{
    Publishing publishing;
    const auto log = LookWithin(reads, 300, [request, &host] { return LogStatus(request, host); });
    if (log && (log->isFile || log->absent())) {
        publishing.earlier = log->isFile ? WatchedRequest::Log : WatchedRequest::NoLog;
        publishing.earlierModified = log->modified;
    }
    publishing.warning = WriteJobFile(path, name, bytes, host);
    return publishing;
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

CurrentRequest::CurrentRequest(const Host& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
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
    const QString name = RequestName(m_host.secondsSinceMidnight());
    emit statusChanged(RequestSent);

    QByteArray bytes;
    const QString refusal = JobBytes(s, drawings, bytes);
    if (!refusal.isEmpty()) {
        tell(refusal, true);
        return false;
    }

    s.JobFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.JobExt;
    const QString logFolder =
        s.OutFolder.isEmpty() ? s.DXFOutDirRoot : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder;
    WatchedRequest request;
    request.Name = name;
    request.WipFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.WipExt;
    request.LogFilePath = logFolder + QLatin1Char('\\') + name + s.LogExt;
    request.OutputFolder = logFolder;
    request.OutputRoot = s.DXFOutDirRoot;
    request.SentAt = m_host.msecsSinceEpoch();

    m_writing = true;
    m_writingName = name;
    const quint64 generation = m_generation;
    auto* sending = new QFutureWatcher<Publishing>(this);
    connect(sending, &QFutureWatcherBase::finished, this, [=]() mutable {
        sending->deleteLater();
        const Publishing published = sending->result();
        m_writing = false;
        const bool current = generation == m_generation;   // no reset in the meantime
        if (!published.warning.isEmpty()) {
            tell(published.warning, current);
            return;
        }
        if (current) {
            request.earlier = published.earlier;
            request.EarlierLogModified = published.earlierModified;
            m_request = request;   // both paths at once, on this thread
            ++m_generation;
        }
        emit sendEnded({});
    });
    sending->setFuture(QtConcurrent::run(&m_writes, ReadEarlierLogAndPublish, s.JobFilePath, name, bytes, request,
                                         std::cref(m_host), std::ref(m_earlierReads)));
    return true;
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
