#include "TestHost.h"
#include "request/Convert.h"
#include "request/Status.h"
#include "request/Watcher.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestRequest : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs;   // request folder, host form
    QString m_out;    // output root, host form
    SettingsRecord s;
    TestHost host;
    QLabel status;

    QString jobFile(const QString& name) const { return m_jobs + "/" + name; }
    QStringList jobFolder() const { return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden); }
    QString statusColour() const { return status.palette().color(QPalette::Window).name(); }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        QDir().mkpath(m_tmp.filePath("Richieste"));
        QDir().mkpath(m_tmp.filePath("Uscita/Lotto7"));
        m_jobs = m_tmp.filePath("Richieste");
        m_out = m_tmp.filePath("Uscita");
        InitDefaults(s);
        s.JobFileDir = Native(m_jobs);
        s.DXFOutDirRoot = Native(m_out);
        s.OutFolder.clear();
        host = TestHost();
        host.time = 45678;
        SetStatus(&status, 0);
    }

    void requestName_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("name");
        QTest::newRow("midnight") << 0 << "Z_0";
        QTest::newRow("12:41:18") << 45678 << "Z_45678";
        QTest::newRow("23:59:59") << 86399 << "Z_86399";
    }
    void requestName()
    {
        QFETCH(int, seconds);
        QFETCH(QString, name);
        QCOMPARE(RequestName(seconds), name);
    }

    void statusField_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("caption");
        QTest::newRow("0 idle") << 0 << "#ffffff" << IdleCaption;
        QTest::newRow("1 list") << 1 << "#ff0000" << "Preparazione della lista";
        QTest::newRow("2 sent") << 2 << "#ffff00" << "Richiesta inviata al server";
        QTest::newRow("3 working") << 3 << "#00ffff" << "Conversione in corso...";
        QTest::newRow("4 done") << 4 << "#00ff00" << "File convertiti.";
        QTest::newRow("5 unknown") << 5 << "#ff00ff" << "Stato sconosciuto";
        QTest::newRow("-1 unknown") << -1 << "#ff00ff" << "Stato sconosciuto";
        QTest::newRow("32767 unknown") << 32767 << "#ff00ff" << "Stato sconosciuto";
    }
    void statusField()
    {
        QFETCH(int, code);
        QFETCH(QString, colour);
        QFETCH(QString, caption);
        SetStatus(&status, StatusCode(code));
        SetStatus(&status, StatusCode(code));   // repeating it changes nothing
        QCOMPARE(statusColour(), colour);
        QCOMPARE(status.palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(status.text(), caption);
        QVERIFY(status.autoFillBackground());
    }

    void jobFileBytes_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two drawings")
            << "Lotto7" << "DWG" << QStringList{"C:\\Disegni\\pezzo1.dxf", "C:\\Disegni\\pezzo2.dwg"}
            << QByteArray("OUTDIR=Lotto7\r\nDXFDWG=DWG\r\nC:\\Disegni\\pezzo1.dxf\r\nC:\\Disegni\\pezzo2.dwg\r\n");
        QTest::newRow("no output folder")
            << "" << "DXF" << QStringList{"a.dwg"} << QByteArray("DXFDWG=DXF\r\na.dwg\r\n");
        QTest::newRow("empty list is zero bytes") << "Lotto7" << "DXF" << QStringList{} << QByteArray();
        QTest::newRow("order and duplicates kept")
            << "" << "DXF" << QStringList{"b", "a", "b"} << QByteArray("DXFDWG=DXF\r\nb\r\na\r\nb\r\n");
        QTest::newRow("accented path in the code page")
            << "Città" << "DXF" << QStringList{"C:\\Disegni\\Città\\pezzo1.dxf"}
            << QByteArray("OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\nC:\\Disegni\\Citt\xE0\\pezzo1.dxf\r\n");
        QTest::newRow("text as typed")
            << " a\\b " << "DWG" << QStringList{" x ", "\\\\srv\\share\\€.dxf"}
            << QByteArray("OUTDIR= a\\b \r\nDXFDWG=DWG\r\n x \r\n\\\\srv\\share\\\x80.dxf\r\n");
    }
    void jobFileBytes()
    {
        QFETCH(QString, outFolder);
        QFETCH(QString, mode);
        QFETCH(QStringList, drawings);
        QFETCH(QByteArray, bytes);
        s.OutFolder = outFolder;
        s.DXFDWGmode = mode;
        Convert(s, drawings, &status, host);
        QCOMPARE(host.warnings, QStringList{});
        QCOMPARE(ReadBytes(jobFile("Z_45678.job")), bytes);
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
        QCOMPARE(status.text(), "Richiesta inviata al server");
        QCOMPARE(statusColour(), "#ffff00");
    }

    void convertRecordsThePathsToWatch_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QString>("logTail");
        QTest::newRow("sub-folder") << "Lotto7" << "\\Lotto7\\Z_45678.log";
        QTest::newRow("nested sub-folder") << "A\\B" << "\\A\\B\\Z_45678.log";
        QTest::newRow("no sub-folder") << "" << "\\Z_45678.log";
    }
    void convertRecordsThePathsToWatch()
    {
        QFETCH(QString, outFolder);
        QFETCH(QString, logTail);
        s.OutFolder = outFolder;
        Convert(s, {"a"}, &status, host);
        QCOMPARE(s.JobFilePath, Native(m_jobs) + "\\Z_45678.job");
        QCOMPARE(s.WipFilePath, Native(m_jobs) + "\\Z_45678.wip");
        QCOMPARE(s.LogFilePath, Native(m_out) + logTail);
    }

    void sameSecondReplacesTheJob()
    {
        Convert(s, {"first", "list"}, &status, host);
        Convert(s, {"second"}, &status, host);
        QCOMPARE(ReadBytes(jobFile("Z_45678.job")), QByteArray("DXFDWG=DXF\r\nsecond\r\n"));
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
    }

    // A job that cannot be written whole is never reported as sent, leaves no file, and stops
    // the watching of the earlier request.
    void refusedOrFailedJob_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<bool>("folderIsGone");
        QTest::addColumn<QString>("warning");
        QTest::newRow("line feed in a path") << "" << QStringList{"a", "b\nDXFDWG=DWG"} << false
                                             << "Percorso non valido: b\nDXFDWG=DWG";
        QTest::newRow("carriage return in the folder") << "x\ry" << QStringList{"a"} << false
                                                       << "Percorso non valido: x\ry";
        QTest::newRow("outside the code page") << "" << QStringList{"a", "\u56FE.dwg"} << false
                                               << "Carattere non rappresentabile in: \u56FE.dwg";
        QTest::newRow("folder under a regular file") << "" << QStringList{"a"} << true
                                                     << "Impossibile scrivere il file %JOB%: ";
    }
    void refusedOrFailedJob()
    {
        QFETCH(QString, outFolder);
        QFETCH(QStringList, drawings);
        QFETCH(bool, folderIsGone);
        QFETCH(QString, warning);

        host.time = 100;
        Convert(s, {"earlier"}, &status, host);   // a request being watched
        QVERIFY(!s.WipFilePath.isEmpty());
        if (folderIsGone) {
            QDir(m_jobs).removeRecursively();
            WriteBytes(m_jobs, "a regular file");
            s.JobFileDir = Native(m_jobs) + "\\sub";
        }
        s.OutFolder = outFolder;
        host.time = 200;
        Convert(s, drawings, &status, host);

        QCOMPARE(host.warnings.size(), 1);
        const QString expected = QString(warning).replace("%JOB%", s.JobFileDir + "\\Z_200.job");
        QVERIFY2(host.warnings[0].startsWith(expected), qPrintable(host.warnings[0]));
        QVERIFY(host.warnings[0].size() > expected.size() || !folderIsGone);   // a reason follows
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(statusColour(), "#ff0000");
        QCOMPARE(s.WipFilePath, QString());
        QCOMPARE(s.LogFilePath, QString());
        if (!folderIsGone)
            QCOMPARE(jobFolder(), QStringList{"Z_100.job"});
    }

    void watcherFollowsTheServer_data()
    {
        // Steps: W+/W- create or remove the .wip, L+/L- the .log, L~ rewrites it, "." is a tick
        // whose status caption follows.
        QTest::addColumn<bool>("logBeforeConvert");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("sent, working, done")
            << false << QStringList{".2", "W+", ".3", ".3", "W-", "L+", ".4", ".4"};
        QTest::newRow("no wip: sent then done") << false << QStringList{".2", "L+", ".4"};
        QTest::newRow("both present: working") << false << QStringList{"W+", "L+", ".3", "W-", ".4"};
        QTest::newRow("log deleted after done stays done") << false << QStringList{"L+", ".4", "L-", ".4"};
        QTest::newRow("stale log is not done") << true << QStringList{".2", ".2", "W+", ".3", "W-", ".3"};
        QTest::newRow("stale log rewritten is done") << true << QStringList{".2", "W+", ".3", "W-", "L~", ".4"};
        QTest::newRow("stale log gone and back is done")
            << true << QStringList{".2", "L-", ".2", "L+", ".4"};
    }
    void watcherFollowsTheServer()
    {
        QFETCH(bool, logBeforeConvert);
        QFETCH(QStringList, steps);
        const QString wip = jobFile("Z_45678.wip");
        const QString log = m_out + "/Lotto7/Z_45678.log";
        const auto writeLog = [&](int age) {
            WriteBytes(log, "OK");
            QFile file(log);
            file.open(QIODevice::ReadWrite);
            file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
        };
        if (logBeforeConvert)
            writeLog(86400);   // yesterday's request of the same name
        s.OutFolder = "Lotto7";
        Convert(s, {"a"}, &status, host);

        const QStringList captions{IdleCaption, "Preparazione della lista",
                                   "Richiesta inviata al server", "Conversione in corso...",
                                   "File convertiti."};
        for (const QString& step : steps) {
            if (step == "W+") WriteBytes(wip, "");
            else if (step == "W-") QFile::remove(wip);
            else if (step == "L+") writeLog(0);
            else if (step == "L-") QFile::remove(log);
            else if (step == "L~") writeLog(10);
            else {
                host.statusCalls = 0;
                WatchTick(s, &status, host);
                QVERIFY(host.statusCalls <= 2);
                QCOMPARE(status.text(), captions[step.mid(1).toInt()]);
            }
        }
    }

    void watcherIdleBeforeAnyRequest()
    {
        for (int i = 0; i < 3; ++i)
            WatchTick(s, &status, host);
        QCOMPARE(status.text(), IdleCaption);
        QCOMPARE(statusColour(), "#ffffff");
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
