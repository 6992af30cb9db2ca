#pragma once
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include "platform/FileCalls.h"
#include "request/Status.h"

#include <atomic>
#include <memory>

class Host;
struct SettingsRecord;

// "Z_" + whole seconds since local midnight.
QString RequestName(int secondsSinceMidnight);

// What is watched of one sent request: the server's two marks, and what lay at LogFilePath just
// before the job was published. Request names repeat daily, so an earlier day's log may lie there.
struct WatchedRequest {
    QString Name;
    QString WipFilePath;
    QString LogFilePath;
    QString OutputFolder;   // where the server puts the converted drawings
    // The configured folder that holds OutputFolder: while it is not seen there, its share is away
    // and the log's absence tells nothing.
    QString OutputRoot;
    enum Earlier {
        NoLog,
        Log,
        NotKnown,   // the output root did not answer in time
    };
    Earlier earlier = NoLog;   // NoLog too once the log has been seen gone from a folder seen there
    qint64 EarlierLogModified = 0;   // when earlier is Log
    qint64 SentAt = 0;   // ms since 1970, this machine's clock
    bool WipSeen = false;   // the server has worked on it since
};

// Whether a log written at modified (ms since 1970, by the file server's clock) is the completion
// of request:
// - nothing lay there before the request was sent, or it has been seen gone since: yes;
// - the earlier log's time is known: yes when the time is another. The same time is the earlier
//   log, unless that log is recent and the server has worked on the request since: shares that
//   keep whole seconds cannot tell a log rewritten within the same second;
// - not known: yes unless it was written well before the request. Names repeat only after a day,
//   and an hour covers any difference between the clocks of a workstation and a file server.
bool IsCompletion(const WatchedRequest& request, qint64 modified);

// What one look at the file system saw: the .wip first; the .log only when the .wip is surely
// not there.
struct Marks {
    FileStatus wip;
    FileStatus log;
};

// The owner of the request in the window: it sends the job and follows the server's marks, and
// says what happens through its signals. Every file call runs on a worker of its own: looks on
// one thread, writes on another, so that a hung share never stops the window and a hung look
// never holds a write back, whatever the number of CPUs.
class CurrentRequest : public QObject {
    Q_OBJECT
public:
    // Destroying it waits for its workers: the program ends without it while one hangs (idle()).
    // nameWaitMs: how long a send looks for a request name that no other request holds.
    explicit CurrentRequest(const Host& host, QObject* parent = nullptr, int nameWaitMs = 30000);

    // The Convert action: shows the request as sent, checks and encodes its job here, then
    // publishes it on the write worker, under the name of the current second or of the next one
    // that no other workstation's request holds. The request watched until then stays watched
    // until the new job is in the request folder. Returns false when the job was refused before
    // any write: sendEnded has then told why. settings must outlive the send.
    bool send(SettingsRecord& settings, const QStringList& drawings);
    // The send that is out tries no further name.
    void giveUp();
    // Forgets the request: nothing is watched, and a write still out changes nothing when it ends.
    void reset();
    // One timer tick: looks for the marks on the look worker. Does nothing while the previous
    // look is out or a job is being written.
    void tick();

    const WatchedRequest& watched() const { return m_request; }
    bool looking() const { return m_looking; }
    bool writing() const { return m_writing; }
    // The name the job being written was first tried under, while writing().
    const QString& writingName() const { return m_writingName; }
    // No worker is in a file call.
    bool idle();

signals:
    void statusChanged(StatusCode code);
    // A send has ended: warning is empty when its job is in the request folder, otherwise it says
    // why not. Ticks wait while it is being told, so a warning is read before the status moves.
    void sendEnded(const QString& warning);

private:
    void tell(const QString& warning, bool current);
    void apply(const Marks& marks);

    const Host& m_host;
    const int m_nameWaitMs;
    QThreadPool m_looks;
    QThreadPool m_writes;
    QThreadPool m_earlierReads;
    WatchedRequest m_request;
    quint64 m_generation = 0;   // changes whenever what is watched changes
    bool m_looking = false;   // until its result is back on this thread
    quint64 m_lookGeneration = 0;
    bool m_writing = false;
    bool m_telling = false;
    QString m_writingName;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QFutureWatcher<Marks> m_look;
};
