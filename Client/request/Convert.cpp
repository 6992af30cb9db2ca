#include "request/Convert.h"

#include "platform/Host.h"
#include "request/JobFile.h"
#include "request/Watcher.h"
#include "settings/Settings.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace {

struct Sent {
    QString warning;
    std::optional<qint64> staleLog;
};

// Runs on a worker. The earlier log is read before the job is out, so that a quick server's log
// for this very request can never be taken for a stale one.
Sent Send(const QString& path, const QString& name, const QByteArray& bytes,
          const QString& logPath, const Host& host)
{
    Sent sent;
    const FileStatus earlier = host.fileStatus(logPath);
    if (earlier.isFile)
        sent.staleLog = earlier.modified;
    sent.warning = WriteJobFile(path, name, bytes, host);
    return sent;
}

} // namespace

QString RequestName(int secondsSinceMidnight)
{
    return QStringLiteral("Z_") + QString::number(secondsSinceMidnight);
}

bool Convert(SettingsRecord& s, const QStringList& drawings, QLabel* status, Watcher& watcher,
             Host& host, const std::function<void()>& written)
{
    const QString name = RequestName(host.secondsSinceMidnight());
    SetStatus(status, 2);
    // Whatever happens now, the earlier request is no longer this window's to follow.
    watcher.StopWatching();

    QByteArray bytes;
    const QString refusal = JobBytes(s, drawings, bytes);
    if (!refusal.isEmpty()) {
        SetStatus(status, 1);
        host.showWarning(refusal);
        return false;
    }

    s.JobFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.JobExt;
    const QString logFolder = s.OutFolder.isEmpty()
        ? s.DXFOutDirRoot
        : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder;
    WatchedRequest request;
    request.WipFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.WipExt;
    request.LogFilePath = logFolder + QLatin1Char('\\') + name + s.LogExt;

    const quint64 generation = watcher.generation();
    auto* sending = new QFutureWatcher<Sent>(&watcher);
    QObject::connect(sending, &QFutureWatcherBase::finished, &watcher,
                     [=, &watcher, &host]() mutable {
        sending->deleteLater();
        const Sent sent = sending->result();
        const bool current = watcher.generation() == generation;
        written();
        if (sent.warning.isEmpty()) {
            request.StaleLogModified = sent.staleLog;
            if (current)
                watcher.watch(request);   // both paths at once, on this thread
            return;
        }
        if (current)
            SetStatus(status, 1);
        host.showWarning(sent.warning);
    });
    sending->setFuture(QtConcurrent::run(Send, s.JobFilePath, name, bytes, request.LogFilePath,
                                         std::cref(host)));
    return true;
}
