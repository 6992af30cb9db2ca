#include "Folders.h"
#include "StandinServer.h"

#include <QtConcurrent/QtConcurrentRun>

// The stand-in server claims a job as real servers may: at the end, once its log is written, or at the start, its
// name free again while the .wip says the work goes on. A job whose log cannot be written is served once.
class TestStandin : public QObject {
    Q_OBJECT
    Folders f;

private slots:
    void claims()
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
            QCOMPARE(ReadBytes(f.out + "/Lotto7/pezzo.dwg"), "pezzo");
            QVERIFY(QFile::exists(f.out + "/Lotto7/Z_1.log"));
            QCOMPARE(f.inRequestFolder(), QStringList{});

            QDir().mkpath(f.out + "/Lotto7/Z_2.log");   // no log can be written there
            WriteBytes(f.jobs + "/Z_2.job", "OUTDIR=Lotto7\r\nDXFDWG=DXF\r\n");
            QCOMPARE(server.handlePending() + server.handlePending(), 1);
            QCOMPARE(f.inRequestFolder(), atEnd ? QStringList{"Z_2.job.scartata"} : QStringList{});
        }
    }
};

QTEST_GUILESS_MAIN(TestStandin)
#include "test_standin.moc"
