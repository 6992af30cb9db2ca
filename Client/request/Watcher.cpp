#include "request/Watcher.h"

#include "request/Status.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

// Runs on a worker: one file-status call for the .wip, and one for the .log when it is absent.
Marks LookForMarks(const WatchedRequest& request, const Host& host)
{
    Marks marks;
    marks.working = host.fileExists(request.WipFilePath);
    if (!marks.working)
        marks.log = host.fileStatus(request.LogFilePath);
    return marks;
}

} // namespace

Watcher::Watcher(QLabel* status, const Host& host, QObject* parent)
    : QObject(parent)
    , m_status(status)
    , m_host(host)
{
    connect(&m_look, &QFutureWatcherBase::finished, this, [this] {
        m_looking = false;
        if (m_lookGeneration == m_generation)
            apply(m_look.result());
    });
}

void Watcher::watch(const WatchedRequest& request)
{
    m_request = request;
    ++m_generation;
}

void Watcher::StopWatching()
{
    m_request = WatchedRequest();
    ++m_generation;
}

void Watcher::tick()
{
    if (m_looking)
        return;
    if (m_request.WipFilePath.isEmpty() && m_request.LogFilePath.isEmpty())
        return;
    m_looking = true;
    m_lookGeneration = m_generation;
    m_look.setFuture(QtConcurrent::run(LookForMarks, m_request, std::cref(m_host)));
}

void Watcher::apply(const Marks& marks)
{
    if (marks.working) {
        SetStatus(m_status, 3);
        return;
    }
    if (m_request.StaleLogModified) {
        // A log from an earlier day's request of the same name is not this one's completion.
        if (marks.log.isFile && marks.log.modified == *m_request.StaleLogModified)
            return;
        m_request.StaleLogModified.reset();
        if (!marks.log.isFile)
            return;
    }
    if (marks.log.isFile)
        SetStatus(m_status, 4);
}
