#pragma once
#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include <utility>

// One window for each user, desktop and program folder. "Apri con" on several drawings starts the
// program once a drawing, all at once: every start after the first hands its drawings to the window
// that is open, through a local socket that only this user reaches, and ends. A program in another
// folder, with another settings file, has a window of its own.
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
    // Takes no more starts: the window is closing.
    void stop() { m_server.close(); }

signals:
    // Another start handed files over (none: it only asked for the window).
    void handedOver();

private:
    void receive(QLocalSocket* socket);

    QString m_name;
    QString m_lock;
    QLocalServer m_server;
    QStringList m_handedOver;
};
