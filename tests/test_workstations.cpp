#include "Folders.h"
#include "StandinServer.h"
#include "request/SentRequests.h"

#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

// One request folder, the stand-in server, and many workstations.
class TestWorkstations : public QObject {
    Q_OBJECT
    Folders f;

private slots:
    // The stand-in server claims a job as real servers may: at the end, once its log is written, or at the start, its
    // name free again while the .wip says the work goes on. A job whose log cannot be written is served once.
    void serverClaims()
    {
        for (const auto claim : {StandinServer::Claim::AtEnd, StandinServer::Claim::AtStart}) {
            f.renew();
            const bool atEnd = claim == StandinServer::Claim::AtEnd;
            WriteBytes(f.tmp.filePath("pezzo.dxf"), "pezzo");
            WriteBytes(f.jobs + "/Z_1.job", ("OUTDIR=Lotto7\r\nDXFDWG=DWG\r\n" + f.tmp.filePath("pezzo.dxf")).toUtf8());
            QString said;
            QTextStream out(&said);
            StandinServer server(f.jobs, f.out, 300, out, {}, claim);
            QFuture<int> serving = QtConcurrent::run([&] { return server.handlePending(); });
            QTRY_VERIFY(QFile::exists(f.jobs + "/Z_1.wip") && QFile::exists(f.jobs + "/Z_1.job") == atEnd);
            QCOMPARE(serving.result(), 1);
            QCOMPARE(ReadBytes(f.out + "/Lotto7/pezzo.dwg"), "pezzo");   // its log as the workstations' are
            QCOMPARE(f.inRequestFolder(), QStringList{});

            QDir().mkpath(f.out + "/Lotto7/Z_2.log");   // no log can be written there
            WriteBytes(f.jobs + "/Z_2.job", "OUTDIR=Lotto7\r\nDXFDWG=DXF\r\n");
            QCOMPARE(server.handlePending() + server.handlePending(), 1);
            QCOMPARE(f.inRequestFolder(), atEnd ? QStringList{"Z_2.job.scartata"} : QStringList{});
        }
    }

    // Many workstations press Converti within one second, served with each way of claiming jobs: every clash of
    // names is resolved, every job reaches the server once, and every workstation turns green on its own log. Each
    // workstation is this program started again, a request owner with a host of its own.
    void manyWorkstations()
    {
        constexpr int n = 8;
        for (const char* claim : {"end", "start"}) {
            f.renew();
            QProcess server, clients[n];
            server.start(KIVRA_STANDIN, {"--jobs", f.jobs, "--out", f.out, "--work-ms", "100", "--claim", claim});
            const QString start = QString::number((QDateTime::currentMSecsSinceEpoch() / 1000 + 2) * 1000 + 50);
            const auto drawing = [&](int i) { return f.tmp.filePath(QString("pezzo%1.dxf").arg(i)); };
            for (int i = 0; i < n; ++i) {
                WriteBytes(drawing(i), QByteArray::number(i));
                clients[i].start(QCoreApplication::applicationFilePath(), {"client", f.jobs, f.out, drawing(i), start});
            }
            int clashes = 0;
            qint64 last = 0;
            QSet<QString> names;
            for (int i = 0; i < n; ++i) {   // each says "<first name tried> <name sent> <ms to green>", or its warning
                QVERIFY(clients[i].waitForFinished(60000));
                const QStringList said = QString(clients[i].readAllStandardOutput()).split(' ');
                QVERIFY2(said.size() == 3, qPrintable(said.join(' ')));
                clashes += said[0] != said[1], names << said[1], last = qMax(last, said[2].toLongLong());
                QVERIFY(
                    ReadBytes(f.out + "/Lotto/" + said[1] + ".log").contains(("OK " + drawing(i) + "\r\n").toUtf8()));
                QCOMPARE(ReadBytes(f.out + QString("/Lotto/pezzo%1.dxf").arg(i)), QByteArray::number(i));
            }
            server.kill(), server.waitForFinished();
            qInfo("claim %s: %d workstations, the last green %.1f s after Converti, %d clashes resolved, no warning",
                  claim, n, last / 1000.0, clashes);
            QCOMPARE(names.size(), n);
            QVERIFY(clashes >= n - 1);
            QCOMPARE(server.readAllStandardOutput().count('\n'), n);   // a line a job served
            QCOMPARE(f.inRequestFolder(), QStringList{});
        }
    }
};

// "client JOBS OUT DRAWING START": one workstation sends DRAWING at START (ms since 1970) and follows its request
// until it is done.
static int Workstation(const QStringList& args)
{
    struct Quiet : Host {
        void showWarning(const QString& text) override { printf("ATTENZIONE %s", qPrintable(text)), fflush(stdout); }
    } host;
    SettingsRecord s;
    InitDefaults(s);
    s.JobFileDir = args[2], s.DXFOutDirRoot = args[3], s.OutFolder = "Lotto";
    SentRequests request(host);
    QString first;
    QObject::connect(&request, &SentRequests::sendEnded, [&](const QString& warning) {
        if (!warning.isEmpty())
            host.showWarning(warning), QCoreApplication::exit(1);
    });
    QObject::connect(&request, &SentRequests::statusChanged, [&](StatusCode code) {
        if (code == Converted)
            printf("%s %s %lld", qPrintable(first), qPrintable(request.watched().Name),
                   QDateTime::currentMSecsSinceEpoch() - args[5].toLongLong()),
                QCoreApplication::exit(0);
    });
    QThread::msleep(qMax(0LL, args[5].toLongLong() - QDateTime::currentMSecsSinceEpoch()));
    request.send(s, {args[4]});
    first = request.writingName();
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &request, &SentRequests::tick);
    ticks.start(250);
    return QCoreApplication::exec();
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 6 && QByteArray(argv[1]) == "client")
        return Workstation(app.arguments());
    TestWorkstations test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_workstations.moc"
