#include "Folders.h"
#include "platform/OneWindow.h"
#include "request/Publish.h"

#include <QLocalSocket>
#include <QtConcurrent/QtConcurrentRun>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

// Real failures: a disk that fills, local processes that misuse the one-window socket, descriptors run out.

class TestFaults : public QObject {
    Q_OBJECT
    Folders f;

private slots:
    void init() { f.renew(); }

    // A disk that fills (a 16-byte file limit): no job, and the warning.
    void diskFull()
    {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit low{16, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        QString warning;
        const JobHandOver sent =
            WriteJobFile(f.jobs + "\\Z_1.job", "DXFDWG=DXF\r\nC:\\a.dxf\r\nC:\\b.dxf\r\n", Host(), warning);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(sent != JobHandOver::Sent);
        QCOMPARE(warning,
                 "Impossibile scrivere il file " + f.jobs
                     + "/Z_1.job: scrittura non riuscita (disco pieno o file troppo grande?)");
        QCOMPARE(f.inRequestFolder(), QStringList{});
    }

    // The one-window socket: more than 8 hand-overs at once are closed at once; one too big and one that never ends
    // are closed with nothing taken, while a good one from another start gets in. With the descriptors run out the
    // listener is lost, and it is back on the next look once they are free.
    void oneWindowSocket()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(f.tmp.path()));
        QFile::setPermissions(f.tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OneWindow window(f.tmp.path());
        QVERIFY(!window.handOver({}) && window.listening());
        const auto start = [&](const QStringList& files) {
            return QtConcurrent::run([&, files] { return OneWindow(f.tmp.path()).handOver(files); });
        };
        const auto handedOver = [&](const QStringList& files) {
            QFuture<bool> other = start(files);
            return QTest::qWaitFor([&] { return other.isFinished(); }) && other.result()
                && window.takeHandedOver() == files;
        };
        QLocalSocket peers[10];
        for (QLocalSocket& peer : peers) {
            peer.connectToServer(window.socketName());
            QVERIFY(peer.waitForConnected(1000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(peers[9].state(), QLocalSocket::UnconnectedState, 1000);   // and the 10th before it
        QCOMPARE(peers[0].state(), QLocalSocket::ConnectedState);
        for (QLocalSocket& peer : peers)
            peer.abort();
        QTest::qWait(200);   // the window has seen them go
        QByteArray endless, big;
        QDataStream(&endless, QIODevice::WriteOnly) << quint32(1) << quint32(2);   // one path, its two bytes never come
        QDataStream(&big, QIODevice::WriteOnly) << quint32(1) << quint32(2 * 32768);
        peers[0].connectToServer(window.socketName()), peers[1].connectToServer(window.socketName());
        peers[0].write(endless), peers[1].write(big + QByteArray(2 * 32768, 'a'));
        QVERIFY(handedOver({"/Disegni/pezzo.dxf"}));
        QCOMPARE(peers[0].state(), QLocalSocket::ConnectedState);   // for up to 2 s
        QTRY_COMPARE(peers[1].state(), QLocalSocket::UnconnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(peers[0].state(), QLocalSocket::UnconnectedState, 3000);
        QVERIFY(window.takeHandedOver().isEmpty());

        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        // The peers connect before the window accepts any, and take the last descriptors.
        const rlimit low{rlim_t(QDir("/proc/self/fd").count() + 8), saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
        for (QLocalSocket& peer : peers)
            peer.connectToServer(window.socketName());
        const bool lost = QTest::qWaitFor([&] { return !window.listening(); }, 1000);
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(lost);
        for (QLocalSocket& peer : peers)
            peer.abort();
        window.keepListening();
        QVERIFY(window.listening());
        QVERIFY(handedOver({"/Disegni/pezzo2.dxf"}));
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
