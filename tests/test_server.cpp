#include "FolderRows.h"
#include "Window.h"
#include "platform/CodePage.h"

#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

// The stand-in server as a real process on real folders, alone and with the window.
class TestServer : public WindowFixture {
    Q_OBJECT

    int runOnce()
    {
        QProcess server;
        server.start(KIVRA_SERVER, {"--jobs", jobs(), "--out", out(), "--work-ms", "0", "--once"});
        return server.waitForFinished(20000) ? server.exitCode() : -1;
    }
    QStringList allFiles() const
    {
        QStringList files;
        for (QDirIterator it(m_tmp.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << QDir(m_tmp.path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    QString drawing(const QString& name)
    {
        const QString path = m_tmp.filePath(name);
        WriteBytes(path, "0\nEOF\n" + name.toUtf8());
        return path;
    }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        for (const QString& dir : {jobs(), out()})
            QDir().mkpath(dir);
    }

    // Other clients may send any OUTDIR: one that could leave the output root is refused with a
    // log in the root, and nothing is written anywhere else.
    void outputFolders_data()
    {
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<bool>("allowed");
        for (const auto& [folder, allowed] : FolderRows)
            QTest::newRow(qPrintable(folder)) << folder << allowed;
    }
    void outputFolders()
    {
        QFETCH(QString, outDir);
        QFETCH(bool, allowed);
        const QString a = drawing("a.dxf");
        WriteBytes(jobs() + "/Z_2.job", "OUTDIR=" + *EncodeAnsi(outDir) + "\r\nDXFDWG=DWG\r\n" + a.toUtf8() + "\r\n");
        QCOMPARE(runOnce(), 0);
        const QString folder = allowed ? "Uscita/" + QString(outDir).replace('\\', '/') + "/" : "Uscita/";
        QStringList expected{"a.dxf", folder + "Z_2.log"};
        if (allowed)
            expected << folder + "a.dwg";
        expected.sort();
        QCOMPARE(allFiles(), expected);
        QCOMPARE(ReadBytes(out() + "/Z_2.log").contains("cartella di uscita non ammessa: " + outDir.toLatin1()), !allowed);
    }

    // Malformed jobs get a log and go; files that are not jobs stay.
    void badJobsGetALogAndGo()
    {
        WriteBytes(jobs() + "/Z_3.job", "OUTDIR=x\r\nC:\\a.dxf\r\n");
        WriteBytes(jobs() + "/Z_4.job", "DXFDWG=PDF\r\nC:\\a.dxf\r\n");
        WriteBytes(jobs() + "/Z_5.job.tmp-ab12", "DXFDWG=DXF\r\n");   // a client's job in the making
        QCOMPARE(runOnce(), 0);
        QVERIFY(ReadBytes(out() + "/Z_3.log").contains("riga DXFDWG= mancante"));
        QVERIFY(ReadBytes(out() + "/Z_4.log").contains("formato sconosciuto: PDF"));
        QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{"Z_5.job.tmp-ab12"});
    }

    void aKilledServerLosesNothing()
    {
        const QByteArray job = "OUTDIR=K\r\nDXFDWG=DXF\r\n" + drawing("a.dxf").toUtf8() + "\r\n";
        WriteBytes(jobs() + "/Z_5.job", job);
        QProcess server;
        server.start(KIVRA_SERVER, {"--jobs", jobs(), "--out", out(), "--work-ms", "3000"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(jobs() + "/Z_5.wip"), 5000);
        server.kill();
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(ReadBytes(jobs() + "/Z_5.job"), job);
        QCOMPARE(runOnce(), 0);   // its stale mark removed, the job done whole
        QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{});
        QVERIFY(ReadBytes(out() + "/K/Z_5.log").contains("Copiati 1 di 1 disegni"));
    }

    // The whole road of one request: the real window and the server exchanging real files. A
    // drawing on a mounted drive travels as the drive and back (the folder is made up, so the
    // server says where it looked).
    void fromTheDropToConverted()
    {
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedChannels);
        server.start(KIVRA_SERVER, {"--jobs", jobs(), "--out", out(), "--work-ms", "1000"});
        QVERIFY(server.waitForStarted());
        const auto w = start("MaxNumberFiles=10");
        const QString unique = QFileInfo(m_tmp.path()).fileName(), mounted = "/mnt/q/" + unique + "/pezzo3.dxf";
        const QStringList files{drawing("pezzo1.dxf"), drawing("Città 2.dxf"), mounted};
        QCOMPARE(DragAndDrop(*w, FileData(files)), Qt::CopyAction);
        QTest::keyClicks(w->txtFolder, "Lotto7");
        w->OptDWG->click();
        w->CmdOut->click();
        QStringList seen{w->lblStatus->text()};
        QVERIFY(WaitFor([&] {
            if (seen.last() != w->lblStatus->text())
                seen << w->lblStatus->text();
            return seen.last() == "File convertiti.";
        }));
        QCOMPARE(seen, (QStringList{"Richiesta inviata al server", "Conversione in corso...", "File convertiti."}));
        QCOMPARE(ReadBytes(out() + "/Lotto7/pezzo1.dwg") + ReadBytes(out() + "/Lotto7/Città 2.dwg"),
                 ReadBytes(files[0]) + ReadBytes(files[1]));
        const QByteArray log = ReadBytes(out() + "/Lotto7/Z_45678.log");
        QVERIFY2(log.contains("\r\nERRORE q:\\" + unique.toUtf8() + "\\pezzo3.dxf: file inesistente: " + mounted.toUtf8() + "\r\n"),
                 log.constData());
        QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{});   // job taken, no .wip

        // After a reset the finished request's marks move nothing.
        w->cmdReset->click();
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTest::qWait(1700);
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_MAIN(TestServer)
#include "test_server.moc"
