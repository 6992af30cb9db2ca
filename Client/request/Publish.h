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
    QString jobExt, wipExt, logExt, logFolder;
    ShareFolder requestFolder, outputRoot;
    QByteArray bytes;
    qint64 sentAt = 0;
    qint64 waitTimeout = 0;   // ms with no sign of the server before the job is looked for
    // Names of this run's withdrawn requests still watched: a server that read one in that instant
    // writes its log under that name, so no new job goes out under it meanwhile.
    QStringList heldNames;
    QString requestFolderRefused;   // the configured one, when the one above is the default in its place

    QString jobPath(const QString& name) const { return requestFolder.path + QLatin1Char('\\') + name + jobExt; }
    WatchedRequest under(const QString& name) const
    {
        WatchedRequest request;
        request.Name = name;
        request.JobFilePath = jobPath(name);
        request.WipFilePath = requestFolder.path + QLatin1Char('\\') + name + wipExt;
        request.LogFilePath = logFolder + QLatin1Char('\\') + name + logExt;
        request.OutputFolder = logFolder;
        request.RequestFolder = requestFolder;
        request.OutputRoot = outputRoot;
        request.SentAt = sentAt;
        return request;
    }
};

struct Publishing {
    WatchedRequest request;   // under the name it went out with, with what was seen once it was out
    bool taken = false;   // another request holds the name
    QString warning;
};

// Runs on a worker: the job goes out under the name of this second or, while another request holds
// that, of the next free one, for up to waitMs on the host's monotonic clock. A name is held (besides
// heldNames) while another send of it is under way ("<name>.prenotazione" in the request folder),
// while another request's job waits under it, while the server works on it (a server may take the
// job out as it starts), or once it is done within the hour. cancelled stops the search before the
// next name.
// The configured folders are looked at first, for mount points.
Publishing PublishUnderAFreeName(const Sending& sending, const Host& host, QThreadPool& reads, int waitMs,
                                 const std::shared_ptr<std::atomic<bool>>& cancelled);

enum class JobHandOver {
    Sent,
    NameTaken,   // another request's job is waiting under the name
    Failed,
};

// Publishes the job file at path (Windows-style): it appears whole or not at all, and never in
// place of a job the server has not taken yet. A job of the same bytes found there, refused or after
// a failure whose reply may have been lost, is this job, and counts as sent. On Failed, warning says
// why; folderRefused is the settings file's request folder, when it was refused at start-up.
JobHandOver WriteJobFile(const QString& path, const QByteArray& bytes, const Host& host, QString& warning,
                         const QString& folderRefused = {});
