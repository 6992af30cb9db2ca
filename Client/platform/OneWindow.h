#pragma once
#include <QElapsedTimer>
#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include <utility>

// What a start hands over, as the window reads it: a QDataStream of a QStringList, at most
// 32767 paths of at most 32767 characters and 8 MiB in all. Done with the paths once the bytes
// hold the whole list and nothing more; NeedMore while they may still grow into one; Refused
// for anything else.
struct HandOverRead {
    enum State {
        NeedMore,
        Done,
        Refused
    } state = NeedMore;
    QStringList paths;
};
HandOverRead ReadHandOver(const QByteArray& bytes);

// One window for each user, desktop and program folder. "Apri con" on several drawings starts the
// program once a drawing, all at once: every start after the first hands its drawings to the window
// that is open, through a local socket that only this user reaches, and ends once the window says
// it has them. A program in another folder, with another settings file, has a window of its own.
class OneWindow : public QObject {
    Q_OBJECT
public:
    explicit OneWindow(const QString& programDir, QObject* parent = nullptr);

    // True when a window of this program is open and took files (absolute paths; none only brings
    // it to the front): this process then ends. Otherwise this process opens the window and takes
    // the files of the starts that follow.
    bool handOver(const QStringList& files);

    // The files handed over since the last call, kept until the window takes them: a start may hand
    // over while this one still shows a warning before its window is there.
    QStringList takeHandedOver() { return std::exchange(m_handedOver, {}); }
    // Takes no more starts, and answers none that is still being read: the window is closing.
    void stop();
    // Listens again if the listener was lost (Qt closes it on a failed accept, when descriptors run
    // out), backing off while that lasts; for the window's timer. A start in the gap opens a window.
    void keepListening();
    bool listening() const { return m_server.isListening(); }
    const QString& socketName() const { return m_name; }

signals:
    // Another start handed files over (none: it only asked for the window).
    void handedOver();

private:
    void receive(QLocalSocket* socket);

    QString m_name;
    QString m_lock;
    QLocalServer m_server;
    QStringList m_handedOver;
    int m_reading = 0;   // hand-overs being read
    bool m_stopped = false;
    bool m_ours = false;   // this process listens under the name, or did
    QElapsedTimer m_clock;
    qint64 m_retryAt = 0;   // on m_clock
    int m_backOff = 0;
};
