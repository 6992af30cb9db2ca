#include "platform/OneWindow.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

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

constexpr quint32 kMostPaths = 32767, kMostPathChars = 32767;
constexpr qsizetype kMostBytes = 8 * 1024 * 1024;

}   // namespace

HandOverRead ReadHandOver(const QByteArray& bytes)
{
    const auto refused = HandOverRead{HandOverRead::Refused, {}};
    if (bytes.size() > kMostBytes)
        return refused;
    qsizetype at = 0;
    const auto number = [&](quint32& n) {
        if (bytes.size() - at < 4)
            return false;
        n = qFromBigEndian<quint32>(bytes.constData() + at);
        return at += 4, true;
    };
    quint32 count = 0;
    if (!number(count))
        return {};
    if (count > kMostPaths)
        return refused;
    HandOverRead read{HandOverRead::Done, {}};
    for (quint32 i = 0; i < count; ++i) {
        quint32 size = 0;   // in bytes; all ones for a null string
        if (!number(size))
            return {};
        if (size == 0xFFFFFFFF) {
            read.paths << QString();
            continue;
        }
        if (size % 2 || size / 2 > kMostPathChars)
            return refused;
        if (bytes.size() - at < qsizetype(size))
            return {};
        QString path(size / 2, Qt::Uninitialized);
        qFromBigEndian<char16_t>(bytes.constData() + at, size / 2, path.data());
        read.paths << path;
        at += size;
    }
    return at == bytes.size() ? read : refused;
}

OneWindow::OneWindow(const QString& programDir, QObject* parent)
    : QObject(parent)
    , m_name(SocketName(programDir))
{
    m_clock.start();
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
    if (window.waitForConnected(2000)) {
#ifdef Q_OS_WIN
        // Another user's program under this name is no window of ours: nothing goes to it.
        if (!win::PipeServerIsMine(reinterpret_cast<void*>(window.socketDescriptor())))
            return false;
        win::LetOthersComeToFront();   // the window may take the front from this process
#endif
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << files;
        window.write(bytes);
        while (window.bytesToWrite() > 0 && window.waitForBytesWritten(2000)) { }
        // Handed over once the window says it has them; a window that is closing never does, and
        // this start then opens a window of its own.
        if (window.bytesToWrite() == 0 && window.waitForReadyRead(2000) && window.read(1) == QByteArray(1, '\1'))
            return true;
    } else if (window.error() == QLocalSocket::ConnectionRefusedError) {
        QLocalServer::removeServer(m_name);   // what a killed window left behind
    }
    m_ours = m_server.listen(m_name);
    return false;
}

void OneWindow::stop()
{
    m_stopped = true;
    m_server.close();
    for (QLocalSocket* socket : findChildren<QLocalSocket*>())
        socket->abort();
}

void OneWindow::keepListening()
{
    const qint64 now = m_clock.elapsed();
    if (!m_ours || m_stopped || m_server.isListening() || now < m_retryAt)
        return;
    QLockFile turn(m_lock);
    if (!turn.tryLock(0))
        return;   // a start is finding its way in: the next tick
    // A start in the gap opened a window of its own, which the name now reaches: it stays that one's
    // (a listen would take the name from under it).
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(100)) {
        m_ours = false;
        return;
    }
    if (m_server.listen(m_name)) {
        m_backOff = 0;
        return;
    }
    m_backOff = qBound(1000, m_backOff * 2, 60000);
    m_retryAt = now + m_backOff;
}

// Read as it comes, with limits, for at most 2 s each, at most 8 at once; more are closed at once.
void OneWindow::receive(QLocalSocket* socket)
{
    socket->setParent(this);
    if (m_stopped || m_reading >= 8) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_reading;
    connect(socket, &QObject::destroyed, this, [this] { --m_reading; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(2000, socket, [socket] { socket->abort(), socket->deleteLater(); });
    auto* bytes = new QByteArray;
    connect(socket, &QObject::destroyed, this, [bytes] { delete bytes; });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, bytes] {
        *bytes += socket->read(8 * 1024 * 1024 + 1 - bytes->size());
        const HandOverRead read = ReadHandOver(*bytes);
        if (read.state == HandOverRead::NeedMore)
            return;
        if (read.state == HandOverRead::Done) {
            m_handedOver += read.paths;
            emit handedOver();
            socket->write(QByteArray(1, '\1'));
            socket->disconnectFromServer();   // once the byte is out
        } else {
            socket->abort();
        }
    });
}
