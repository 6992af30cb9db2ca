#pragma once
#include <QAbstractTableModel>
#include <QFutureWatcher>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include "request/Publish.h"
#include "request/Status.h"
#include "request/Watched.h"

#include <atomic>
#include <memory>

class Host;
struct SettingsRecord;

// How long things are waited for, in ms.
struct RequestTiming {
    int nameWait = 30000;   // a send's search for a request name that no other request holds
    // A request whose .wip has gone ends without a log when none has come for endedAfter (longer
    // than a Windows client's caches of a share), and is looked at for lateLog more, in turn with
    // the earlier requests: a server may remove the .wip well before its log reaches a slow share.
    qint64 endedAfter = 60 * 1000;
    qint64 lateLog = 10 * 60 * 1000;
    // A withdrawn request is still looked at for this long: the server may have taken it in that instant.
    qint64 withdrawnWatch = 60 * 1000;
    qint64 silentLook = 60 * 1000;   // how often the job of a request with no sign of the server is looked for
};

// The requests of this run, newest first, as a table ("Richiesta", "Inviata alle", "Formato", "Cartella",
// "Disegni", "Stato"): it sends each job and follows every request until its log is seen, or until it
// has ended without one (Watched.h). The newest row is the current request, which the status field
// follows, until a reset; it is looked at on every tick, as the watcher always has, and one earlier request that has
// not ended yet, taken in turn, in the same look: at most four file-status calls a tick. Every file
// call runs on a worker of its own: looks on one thread, writes on another, so that a hung share
// never stops the window and a hung look never holds a write back, whatever the number of CPUs.
// A request with no .wip and no log past the settings' WaitTimeout has its job looked for once a minute,
// in place of the earlier request's turn on that tick.
class SentRequests : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        SentColumn,
        FormatColumn,
        FolderColumn,
        DrawingsColumn,
        StateColumn,
        ColumnCount
    };

    // Destroying it waits for its workers: the program ends without it while one hangs (idle()).
    explicit SentRequests(const Host& host, QObject* parent = nullptr, RequestTiming timing = {});
    ~SentRequests() override { giveUp(); }

    // The configured folders, looked at on the look worker before the first tick: a folder that is a
    // mount point counts as there only while its share is mounted.
    void watchFolders(const QString& requestFolder, const QString& outputRoot);

    // The Convert action: shows the request as sent, checks and encodes its job here, then
    // publishes it on the write worker, under the name of the current second or of the next one
    // that no other workstation's request holds. The request followed until then stays the current
    // one until the new job is in the request folder. Returns false when the job was refused before
    // any write: sendEnded has then told why. settings must outlive the send. A press within 1 s of the
    // last publication, with the same job and no reset between, is an accident: nothing is sent,
    // pressRepeated names the row, and false is returned.
    bool send(SettingsRecord& settings, const QStringList& drawings);
    // "Invia di nuovo": a row's job sent again as a new, current request, as send does, always;
    // false while a write is out, as the window allows one at a time.
    bool sendAgain(int row, SettingsRecord& settings);
    // "Annulla richiesta": the row's job taken out of the request folder on the write worker while the
    // server has not taken it; withdrawalRefused tells when it had.
    void withdraw(int row);
    // The send that is out tries no further name.
    void giveUp();
    // No request is current any more, and a write still out does not make one when it ends; every
    // request is still followed.
    void reset();
    // One timer tick: looks for the marks on the look worker. Does nothing while the previous
    // look is out or a job is being written.
    void tick();

    // The current request; empty after a reset.
    WatchedRequest watched() const;
    const WatchedRequest& request(int row) const { return m_rows[row].request; }
    bool done(int row) const { return m_rows[row].state == Converted; }
    bool withdrawable(int row) const;
    bool withdrawing(int row) const { return m_rows[row].withdrawing; }
    StatusCode state(int row) const { return m_rows[row].state; }
    bool looking() const { return m_looking; }
    bool writing() const { return m_writing; }
    // The name the job being written was first tried under, while writing().
    const QString& writingName() const { return m_writingName; }
    // No worker is in a file call.
    bool idle();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The status field's code: the current request's state, or how its send goes.
    void statusChanged(StatusCode code);
    // A send has ended: warning is empty when its job is in the request folder, otherwise it says
    // why not. Ticks wait while it is being told, so a warning is read before the status moves.
    void sendEnded(const QString& warning);
    // The request's log was seen (Converted), or it ended without one (EndedWithoutLog): once each.
    void requestDone(const WatchedRequest& request, StatusCode how);
    void pressRepeated(int row);
    void withdrawalRefused(const QString& warning);
    // The request's job still waits, WaitTimeout after it was sent, with no .wip and no log: once.
    void serverSilent(const WatchedRequest& request);

private:
    struct Row {
        quint64 id;
        WatchedRequest request;
        Sending sent;   // what went out, for "Invia di nuovo"
        QStringList drawings;
        QString format;
        StatusCode state = RequestSent;
        qint64 endedAt = 0;   // when it ended without a log (ms since 1970)
        qint64 withdrawnAt = 0;   // "Annullata" since
        bool withdrawing = false;
        bool takenAnyway = false;   // withdrawn, but the server had it
        qint64 jobLookAt = 0;   // when its job is next looked for while the server shows no sign
        int silentMinutes = 0;   // not 0: its job still waited, sent that long ago
        bool toldSilent = false;
    };
    // "Annullata": taken back before the server had it.
    static bool TakenBack(const Row& row) { return row.withdrawnAt && !row.takenAnyway; }
    struct Look {
        quint64 id;
        WatchedRequest request;
        Marks marks;
        bool endingDue;   // its .wip went endedAfter ago: a sure absence of its log ends it
        bool forJob = false;   // only the job looked for, one call
        FileStatus job{false, false, 0, true};
    };
    struct Published {
        quint64 id = 0;
        QByteArray bytes;
        qint64 at = 0;   // monotonic ms
        quint64 resets = 0;
    };

    void publish(const Sending& sending, const QStringList& drawings, const QString& format, SettingsRecord& s);
    void noteJob(Row& row, const FileStatus& job, qint64 now);
    int rowOf(quint64 id) const;
    QString stateText(const Row& row) const;

    void tell(const QString& warning, bool current);
    void learn(const ShareFolder& folder);
    ShareFolder known(const QString& folder) const;
    void apply(const Look& look);
    int currentRow() const { return m_current && !m_rows.isEmpty() ? 0 : -1; }
    // Whether a row is still looked at: not done, and not ended without a log for longer than lateLog.
    bool followed(const Row& row, qint64 now) const;

    const Host& m_host;
    const RequestTiming m_timing;
    ShareFolder m_requestFolder, m_outputRoot;   // what the looks at the configured folders saw
    QThreadPool m_looks;
    QThreadPool m_earlierReads;   // before the writes, which use it: they go first
    QThreadPool m_writes;
    QList<Row> m_rows;
    bool m_current = false;   // the newest row drives the status field
    quint64 m_nextId = 1;
    quint64 m_turn = 0;   // the id of the earlier request looked at last
    bool m_earlierFirst = false;   // in the tick's look
    quint64 m_resets = 0;   // a write that ends after one makes no current request
    bool m_looking = false;   // until its result is back on this thread
    bool m_writing = false;
    bool m_telling = false;
    QString m_writingName;
    Published m_last;   // the last publication, for a press repeated by accident
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QFutureWatcher<QList<Look>> m_look;
};
