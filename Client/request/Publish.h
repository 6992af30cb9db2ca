#pragma once
#include "request/Watched.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

class Host;
class QThreadPool;

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

// Runs on a worker: the job goes out under the name of this second or, while another request holds
// that, of the next free one, for up to waitMs on the monotonic clock. A name is held while another
// request's job waits under it, while the server works on it (a server may take the job out as it
// starts), or once it is done within the hour. cancelled stops the search before the next name.
Publishing PublishUnderAFreeName(const Sending& sending, const Host& host, QThreadPool& reads, int waitMs,
                                 const std::shared_ptr<std::atomic<bool>>& cancelled);
