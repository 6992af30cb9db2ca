#include "DragDrop.h"
#include "TestHost.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// The whole road of one request: the real window and the stand-in server as two processes
// exchanging real files.
class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void fromTheDropToConverted()
    {
        QTemporaryDir tmp;
        for (const char* dir : {"programma", "Richieste", "Uscita", "Disegni"})
            QDir().mkpath(tmp.filePath(dir));
        const QString jobs = tmp.filePath("Richieste"), out = tmp.filePath("Uscita");
        WriteBytes(tmp.filePath("programma/kivra_client.ini"),
                   "JobFileDir=" + Native(jobs).toUtf8() + "\r\nDXFOutDirRoot=" + Native(out).toUtf8()
                       + "\r\nMaxNumberFiles=10\r\n");
        QStringList drawings{tmp.filePath("Disegni/pezzo1.dxf"), tmp.filePath("Disegni/pezzo2.dxf")};
        for (const QString& d : drawings)
            WriteBytes(d, "0\nSECTION\n0\nENDSEC\n0\nEOF\n");
        // A drawing on a mounted drive travels as the drive and back. The folder is made up, so
        // the server finds nothing there, and says where it looked.
        const QString mounted = "/mnt/q/" + QFileInfo(tmp.path()).fileName() + "/pezzo3.dxf";
        drawings << mounted;

        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedChannels);
        // Two drawings at 1000 ms each keep the .wip mark longer than one 1500 ms tick.
        server.start(KIVRA_SERVER, {"--jobs", jobs, "--out", out, "--work-ms", "1000"});
        QVERIFY(server.waitForStarted());

        SettingsRecord settings;
        TestHost host;
        host.time = 45678;
        frmClient w(settings, host, Native(tmp.filePath("programma")));
        QCOMPARE(host.warnings, QStringList{});
        w.show();

        QCOMPARE(dragAndDrop(w, fileData(drawings)), Qt::CopyAction);
        QCOMPARE(w.ListV->count(), 3);

        QTest::keyClicks(w.txtFolder, "Lotto7");
        QTest::mouseClick(w.OptDWG, Qt::LeftButton);
        QTest::mouseClick(w.CmdOut, Qt::LeftButton);
        QCOMPARE(w.lblStatus->text(), "Richiesta inviata al server");

        QStringList seen{w.lblStatus->text()};
        QElapsedTimer clock;
        clock.start();
        while (w.lblStatus->text() != "File convertiti." && clock.elapsed() < 15000) {
            QTest::qWait(50);
            if (seen.last() != w.lblStatus->text())
                seen << w.lblStatus->text();
        }
        QCOMPARE(seen, (QStringList{"Richiesta inviata al server", "Conversione in corso...",
                                    "File convertiti."}));
        QCOMPARE(w.lblStatus->palette().color(QPalette::Window), QColor(0, 255, 0));

        QCOMPARE(ReadBytes(out + "/Lotto7/pezzo1.dwg"), ReadBytes(drawings[0]));
        QCOMPARE(ReadBytes(out + "/Lotto7/pezzo2.dwg"), ReadBytes(drawings[1]));
        const QByteArray log = ReadBytes(out + "/Lotto7/Z_45678.log");
        QCOMPARE(log.count("\r\nOK "), 2);
        QVERIFY2(log.contains("\r\nERRORE q:\\" + QFileInfo(tmp.path()).fileName().toUtf8()
                              + "\\pezzo3.dxf: file inesistente: " + mounted.toUtf8() + "\r\n"),
                 log.constData());
        QCOMPARE(QDir(jobs).entryList(QDir::Files), QStringList{});   // job consumed, no .wip

        server.kill();
        server.waitForFinished();
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
