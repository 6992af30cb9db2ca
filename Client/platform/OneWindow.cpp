#include "platform/OneWindow.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/WinApi.h"
#endif

namespace {

// The socket's name. Named pipes are seen by every user of a Windows machine, and a terminal server
// has many logged on at once: the name holds the user's SID and the logon's session. On Linux the
// socket lies in the user's own runtime folder (0700), named after the display.
QString SocketName(const QString& programDir)
{
    QByteArray place = programDir.toUtf8();
#ifdef Q_OS_WIN
    const QString where = QStringLiteral("kivra-client-") + QString::fromStdU16String(win::DesktopOwner()) + '-';
#else
    place += '\n' + qgetenv("DISPLAY") + '\n' + qgetenv("WAYLAND_DISPLAY");
    const QString where =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/kivra-client-");
#endif
    return where + QString::fromLatin1(QCryptographicHash::hash(place, QCryptographicHash::Sha256).toHex().left(16));
}

}   // namespace

OneWindow::OneWindow(const QString& programDir, QObject* parent)
    : QObject(parent)
    , m_name(SocketName(programDir))
{
#ifdef Q_OS_WIN
    m_lock = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QLatin1Char('/') + m_name + ".lock";
#else
    m_lock = m_name + QStringLiteral(".lock");
#endif
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection())
            receive(socket);
    });
}

bool OneWindow::handOver(const QStringList& files)
{
    // Starts at the same moment take turns: one becomes the window, the others find it.
    QLockFile turn(m_lock);
    turn.tryLock(5000);
    QLocalSocket window;
    window.connectToServer(m_name);
#ifdef Q_OS_WIN
    // Another user's program under this name is no window of ours: nothing goes to it.
    if (window.waitForConnected(2000) && !win::PipeServerIsMine(reinterpret_cast<void*>(window.socketDescriptor())))
        return false;
#endif
    if (window.state() == QLocalSocket::ConnectedState || window.waitForConnected(2000)) {
#ifdef Q_OS_WIN
        win::LetOthersComeToFront();   // the window may take the front from this process
#endif
        QDataStream out(&window);
        out << files;
        // Not handed over unless sent whole: this start then opens a window of its own.
        if (window.bytesToWrite() > 0 && !window.waitForBytesWritten(2000))
            return false;
        window.disconnectFromServer();
        return window.state() == QLocalSocket::UnconnectedState || window.waitForDisconnected(2000);
    }
    // A socket that refuses is what a killed window left behind.
    if (window.error() == QLocalSocket::ConnectionRefusedError)
        QLocalServer::removeServer(m_name);
    m_server.listen(m_name);
    return false;
}

void OneWindow::receive(QLocalSocket* socket)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
        QStringList files;
        QDataStream in(socket->readAll());
        in >> files;
        socket->deleteLater();
        m_handedOver += files;
        emit handedOver();
    });
}
