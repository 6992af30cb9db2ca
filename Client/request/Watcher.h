#pragma once
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <optional>

#include "platform/Host.h"

class QLabel;

// What is watched of one sent request: the server's two marks, and the modification time of a
// log that already lay at LogFilePath before the job was published (request names repeat
// daily). Such a log counts as this request's only once it has changed, or gone and come back.
struct WatchedRequest {
    QString WipFilePath;
    QString LogFilePath;
    std::optional<qint64> StaleLogModified;
};

// What one look at the file system saw: the .wip first; the .log only when there is no .wip.
struct Marks {
    bool working = false;
    FileStatus log;
};

// The progress watcher. Each tick looks for the marks on a worker thread, so a hung share never
// stops the window; the GUI thread applies what was seen with SetStatus. At most one look is out
// at a time, and a look that started before the watched request changed is ignored.
class Watcher : public QObject {
    Q_OBJECT
public:
    Watcher(QLabel* status, const Host& host, QObject* parent = nullptr);

    // Starts watching a request that was just sent, in place of any earlier one.
    void watch(const WatchedRequest& request);
    // Forgets the current request's marks: nothing is watched until the next watch().
    void StopWatching();

    // One timer tick. Does nothing while the previous look is still out.
    void tick();

    const WatchedRequest& watched() const { return m_request; }
    // A look is out, or its result has not been applied yet.
    bool looking() const { return m_looking; }
    // Changes whenever what is watched changes; a result tagged with an older one is stale.
    quint64 generation() const { return m_generation; }

private:
    void apply(const Marks& marks);

    QLabel* m_status;
    const Host& m_host;
    WatchedRequest m_request;
    quint64 m_generation = 0;
    bool m_looking = false;   // until its result is back on this thread
    quint64 m_lookGeneration = 0;
    QFutureWatcher<Marks> m_look;
};
