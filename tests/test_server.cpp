#include "FolderRows.h"
#include "TestHost.h"
#include "platform/CodePage.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The stand-in server as a real process on real folders.
class TestServer : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs, m_out, m_drawings;

    int runOnce(const QStringList& extra = {})
    {
        QProcess server;
        server.start(KIVRA_SERVER, QStringList{"--jobs", m_jobs, "--out", m_out, "--work-ms", "0",
                                               "--once"} + extra);
        if (!server.waitForFinished(20000))
            return -1;
        return server.exitCode();
    }

    // Every file below the temporary folder, relative to it.
    QStringList allFiles() const
    {
        QStringList files;
        QDirIterator it(m_tmp.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(m_tmp.path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QString drawing(const QString& name)
    {
        const QString path = m_drawings + "/" + name;
        WriteBytes(path, "0\nEOF\n" + name.toUtf8());
        return path;
    }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        for (const char* dir : {"Richieste", "Uscita", "Disegni"})
            QDir().mkpath(m_tmp.filePath(dir));
        m_jobs = m_tmp.filePath("Richieste");
        m_out = m_tmp.filePath("Uscita");
        m_drawings = m_tmp.filePath("Disegni");
    }

    void copiesEachDrawingAndLogsIt()
    {
        const QString a = drawing("pezzo1.dxf"), b = drawing("Città.dwg");
        WriteBytes(m_jobs + "/Z_1.job",
                   "OUTDIR=Lotto7\\Sub\r\nDXFDWG=DWG\r\n" + a.toUtf8() + "\r\n"
                       + QByteArray("/nessuno/manca.dxf\r\n") + b.toLatin1() + "\r\n");
        QCOMPARE(runOnce(), 0);
        QCOMPARE(ReadBytes(m_out + "/Lotto7/Sub/pezzo1.dwg"), ReadBytes(a));
        QCOMPARE(ReadBytes(m_out + "/Lotto7/Sub/Città.dwg"), ReadBytes(b));
        const QList<QByteArray> log = ReadBytes(m_out + "/Lotto7/Sub/Z_1.log").split('\n');
        QCOMPARE(log.size(), 6);   // notice, three drawings, counts, and the final line end
        QCOMPARE(log[1], "OK " + a.toUtf8() + "\r");
        QCOMPARE(log[2], "ERRORE /nessuno/manca.dxf: file inesistente\r");
        QCOMPARE(log[3], "OK " + b.toLatin1() + "\r");
        QCOMPARE(log[4], "Copiati 2 di 3 disegni\r");
        QVERIFY(!QFile::exists(m_jobs + "/Z_1.job"));
        QVERIFY(!QFile::exists(m_jobs + "/Z_1.wip"));
    }

    // Other clients may send any OUTDIR: one that could leave the output root is refused, and
    // the file tree shows nothing written anywhere else.
    void outputFolders_data()
    {
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<bool>("allowed");
        for (const FolderRow& row : FolderRows())
            QTest::newRow(row.name) << row.folder << row.allowed;
    }
    void outputFolders()
    {
        QFETCH(QString, outDir);
        QFETCH(bool, allowed);
        const QString a = drawing("a.dxf");
        WriteBytes(m_jobs + "/Z_2.job", "OUTDIR=" + *EncodeAnsi(outDir) + "\r\nDXFDWG=DXF\r\n" + a.toUtf8() + "\r\n");
        const QStringList before = allFiles();
        QCOMPARE(runOnce(), 0);
        QStringList expected = before;
        expected.removeOne("Richieste/Z_2.job");
        const QString folder = allowed ? "Uscita/" + QString(outDir).replace('\\', '/') + "/" : "Uscita/";
        expected << folder + "Z_2.log";
        if (allowed)
            expected << folder + "a.dxf";
        expected.sort();
        QCOMPARE(allFiles(), expected);
        if (!allowed)
            QVERIFY(ReadBytes(m_out + "/Z_2.log").contains("cartella di uscita non ammessa: " + outDir.toLatin1()));
    }

    void badJobsGetALogAndGo_data()
    {
        QTest::addColumn<QByteArray>("job");
        QTest::addColumn<QByteArray>("logLine");
        QTest::newRow("empty job") << QByteArray() << QByteArray("Copiati 0 di 0 disegni");
        QTest::newRow("no mode line") << QByteArray("OUTDIR=x\r\nC:\\a.dxf\r\n") << QByteArray("riga DXFDWG= mancante");
        QTest::newRow("unknown format") << QByteArray("DXFDWG=PDF\r\nC:\\a.dxf\r\n") << QByteArray("formato sconosciuto: PDF");
    }
    void badJobsGetALogAndGo()
    {
        QFETCH(QByteArray, job);
        QFETCH(QByteArray, logLine);
        WriteBytes(m_jobs + "/Z_3.job", job);
        QCOMPARE(runOnce(), 0);
        QVERIFY2(ReadBytes(m_out + "/Z_3.log").contains(logLine), ReadBytes(m_out + "/Z_3.log").constData());
        QCOMPARE(QDir(m_jobs).entryList(QDir::Files), QStringList{});
    }

    void ignoresFilesThatAreNotJobs()
    {
        WriteBytes(m_jobs + "/Z_4.job.Ab12Cd", "DXFDWG=DXF\r\n");   // a client's file in the making
        WriteBytes(m_jobs + "/Z_4.JOB", "DXFDWG=DXF\r\n");
        QCOMPARE(runOnce(), 0);
        QCOMPARE(QDir(m_jobs).entryList(QDir::Files), (QStringList{"Z_4.JOB", "Z_4.job.Ab12Cd"}));
        QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList{});
    }

    void aKilledServerLosesNothing()
    {
        const QString a = drawing("a.dxf"), b = drawing("b.dxf");
        const QByteArray job = "OUTDIR=K\r\nDXFDWG=DXF\r\n" + a.toUtf8() + "\r\n" + b.toUtf8() + "\r\n";
        WriteBytes(m_jobs + "/Z_5.job", job);
        QProcess server;
        server.start(KIVRA_SERVER, {"--jobs", m_jobs, "--out", m_out, "--work-ms", "3000"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_jobs + "/Z_5.wip"), 5000);
        server.kill();
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(ReadBytes(m_jobs + "/Z_5.job"), job);
        QVERIFY(!QFile::exists(m_out + "/K/Z_5.log"));

        QCOMPARE(runOnce(), 0);
        QCOMPARE(QDir(m_jobs).entryList(QDir::Files), QStringList{});
        QVERIFY(ReadBytes(m_out + "/K/Z_5.log").contains("Copiati 2 di 2 disegni"));
        QCOMPARE(ReadBytes(m_out + "/K/b.dxf"), ReadBytes(b));
    }

    void badArgumentsExitWithUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{"--jobs", ".", "--out", ".", "--fast"};
        QTest::newRow("missing folder") << QStringList{"--jobs", "/nessuna/cartella", "--out", "."};
        QTest::newRow("negative work") << QStringList{"--jobs", ".", "--out", ".", "--work-ms", "-1"};
    }
    void badArgumentsExitWithUsage()
    {
        QFETCH(QStringList, args);
        QProcess server;
        server.start(KIVRA_SERVER, args);
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.exitCode(), 2);
        QVERIFY(server.readAllStandardError().contains("--work-ms"));   // the usage text
    }
};

QTEST_GUILESS_MAIN(TestServer)
#include "test_server.moc"
