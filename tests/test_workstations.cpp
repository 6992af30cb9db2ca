#include "TestHost.h"
#include "request/SentRequests.h"
#include "settings/Settings.h"

#include <cstdio>

// Many workstations press Converti within one second into one request folder, served by the stand-in server with
// each way of claiming jobs: every clash of names is resolved, every job reaches the server once, and every
// workstation turns green on its own log. Each workstation is this program started again, a request owner with a
// host of its own.
class TestWorkstations : public QObject {
    Q_OBJECT

private slots:
    void manyWorkstations()
    {
        constexpr int n = 8;
        for (const char* claim : {"end", "start"}) {
            QTemporaryDir dir;
            const QString jobs = dir.filePath("Richieste"), out = dir.filePath("Uscita");
            QDir().mkpath(jobs), QDir().mkpath(out);
            QProcess server;
            server.start(KIVRA_STANDIN, {"--jobs", jobs, "--out", out, "--work-ms", "100", "--claim", claim});
            const qint64 start = (QDateTime::currentMSecsSinceEpoch() / 1000 + 2) * 1000 + 50;   // early in a second
            std::vector<std::unique_ptr<QProcess>> clients;
            for (int i = 0; i < n; ++i) {
                WriteBytes(dir.filePath(QString("pezzo%1.dxf").arg(i)), QByteArray::number(i));
                clients.push_back(std::make_unique<QProcess>());
                clients.back()->start(
                    QCoreApplication::applicationFilePath(),
                    {"client", jobs, out, dir.filePath(QString("pezzo%1.dxf").arg(i)), QString::number(start)});
            }
            int clashes = 0, warnings = 0;
            qint64 last = 0;
            QStringList names;
            for (int i = 0; i < n; ++i) {
                QVERIFY(clients[i]->waitForFinished(60000));
                // "<first name tried> <name sent> <ms from start to green>", or a warning
                const QStringList said = QString(clients[i]->readAllStandardOutput()).split(' ');
                warnings += said[0] == "ATTENZIONE";
                QCOMPARE(said.size(), 3);
                clashes += said[0] != said[1];
                names << said[1];
                last = qMax(last, said[2].toLongLong());
                QVERIFY2(ReadBytes(out + "/Lotto/" + said[1] + ".log")
                             .contains(QString("OK %1\r\n").arg(dir.filePath(QString("pezzo%1.dxf").arg(i))).toUtf8()),
                         qPrintable(said[1]));
                QCOMPARE(ReadBytes(out + QString("/Lotto/pezzo%1.dxf").arg(i)), QByteArray::number(i));
            }
            server.kill(), server.waitForFinished();
            const QStringList served = QString(server.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            qInfo("claim %s: %d workstations, the last green %.1f s after Converti, %d clashes resolved, %d warnings",
                  claim, n, last / 1000.0, clashes, warnings);
            QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), n);
            QVERIFY(clashes >= n - 1);
            QCOMPARE(served.size(), n);   // one line a job served
            QCOMPARE(QDir(jobs).entryList(QDir::Files), QStringList{});
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
    QTimer::singleShot(60000, [] { QCoreApplication::exit(2); });
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
