#include "TestHost.h"
#include "request/Status.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QtTest>

#include <memory>

// A request on real folders: the job Convert publishes, and what the watcher makes of the
// server's marks.
class TestRequest : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs = m_tmp.filePath("Richieste"), m_out = m_tmp.filePath("Uscita");
    SettingsRecord s;
    std::unique_ptr<TestHost> host;
    QLabel status;
    std::unique_ptr<Watcher> watcher;

    bool convert(const QStringList& drawings) { return ConvertAndWait(s, drawings, &status, *watcher, *host); }
    QString look() const { return status.palette().color(QPalette::Window).name() + " " + status.text(); }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        QDir().mkpath(m_jobs);
        QDir().mkpath(m_out + "/Lotto7");
        s = {};
        InitDefaults(s);
        s.JobFileDir = Native(m_jobs);
        s.DXFOutDirRoot = Native(m_out);
        host = std::make_unique<TestHost>();
        watcher = std::make_unique<Watcher>(&status, *host);
        SetStatus(&status, 0);
    }

    // Sent: the job's bytes, status 2, the marks watched. Refused before any write (list, folder,
    // characters, in this order) or by another waiting job of the same name: the warning, status 1,
    // nothing watched. A waiting job is never replaced; the same bytes are this request sent twice.
    void convert_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("waiting");   // a job of the same name already there
        QTest::addColumn<QString>("warning");      // empty: sent
        QTest::addColumn<QByteArray>("job");
        QTest::newRow("two drawings") << "Lotto7" << QStringList{"C:\\D\\pezzo1.dxf", "C:\\D\\pezzo2.dwg"} << QByteArray() << ""
            << QByteArray("OUTDIR=Lotto7\r\nDXFDWG=DXF\r\nC:\\D\\pezzo1.dxf\r\nC:\\D\\pezzo2.dwg\r\n");
        QTest::newRow("no folder; order, duplicates, a mounted drive") << "" << QStringList{"b", "/mnt/y/D/a.dxf", "b"} << QByteArray()
            << "" << QByteArray("DXFDWG=DXF\r\nb\r\ny:\\D\\a.dxf\r\nb\r\n");
        QTest::newRow("code page") << "Città" << QStringList{" \\\\srv\\€.dxf"} << QByteArray() << ""
            << QByteArray("OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\n \\\\srv\\\x80.dxf\r\n");
        QTest::newRow("empty list, bad folder") << "..\\x" << QStringList{} << QByteArray()
            << "Nessun disegno da convertire: trascinare i disegni nell'elenco." << QByteArray("<missing>");
        QTest::newRow("bad folder, bad path") << "..\\x" << QStringList{"a\nb"} << QByteArray()
            << "Cartella di archiviazione non valida: ..\\x" << QByteArray("<missing>");
        QTest::newRow("line feed") << "" << QStringList{"a", "b\nDXFDWG=DWG"} << QByteArray()
            << "Percorso non valido: b\nDXFDWG=DWG" << QByteArray("<missing>");
        QTest::newRow("outside the code page") << "\u56FE" << QStringList{"a"} << QByteArray()
            << "Carattere non rappresentabile in: \u56FE" << QByteArray("<missing>");
        QTest::newRow("double click") << "" << QStringList{"a"} << QByteArray("DXFDWG=DXF\r\na\r\n") << ""
            << QByteArray("DXFDWG=DXF\r\na\r\n");
        QTest::newRow("another workstation's job") << "" << QStringList{"a"} << QByteArray("DXFDWG=DWG\r\nx\r\n")
            << "Richiesta non inviata: la richiesta Z_45678 precedente non è ancora stata presa in carico dal server. "
               "Riprovare tra qualche secondo." << QByteArray("DXFDWG=DWG\r\nx\r\n");
    }
    void convert()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, drawings);
        QFETCH(QByteArray, waiting);
        QFETCH(QString, warning);
        QFETCH(QByteArray, job);
        s.OutFolder = folder;
        if (!waiting.isNull())
            WriteBytes(m_jobs + "/Z_45678.job", waiting);
        convert(drawings);
        QCOMPARE(host->warnings, warning.isEmpty() ? QStringList{} : QStringList{warning});
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), job);
        QCOMPARE(QDir(m_jobs).entryList(QDir::Files | QDir::Hidden).size(), int(job != "<missing>"));
        QCOMPARE(look(), warning.isEmpty() ? "#ffff00 Richiesta inviata al server" : "#ff0000 Preparazione della lista");
        const QString marks = Native(m_jobs) + "\\Z_45678.wip " + Native(m_out) + (folder.isEmpty() ? "" : "\\" + folder) + "\\Z_45678.log";
        QCOMPARE(watcher->watched().WipFilePath + " " + watcher->watched().LogFilePath, warning.isEmpty() ? marks : " ");
    }

    // A share that stops answering: one look at a time, and a look that comes back after a reset
    // and a new request changes nothing.
    void aHungShare()
    {
        QVERIFY(convert({"a"}));
        WriteBytes(m_jobs + "/Z_45678.wip", "");
        host->fileCalls = 0;
        std::unique_lock hung(host->gate);
        watcher->tick();
        watcher->tick();
        QTRY_COMPARE(host->fileCalls.load(), 1);
        watcher->StopWatching();   // a reset
        host->time = 45679;
        bool written = false;
        QVERIFY(Convert(s, {"b"}, &status, *watcher, *host, [&] { written = true; }));
        QTRY_COMPARE(host->fileCalls.load(), 2);   // the look, and the new request's first call
        hung.unlock();
        QTRY_VERIFY(written && !watcher->looking());
        QCOMPARE(status.text(), "Richiesta inviata al server");
    }

    void watcherFollowsTheServer_data()
    {
        // First, before the request: S, yesterday's log of the same name; Q, a log written while the
        // job is published. Then W+/W- make or remove the .wip, L+/L- the .log, L~ rewrites it,
        // LD makes a folder of its name; ".N": a tick, then status N.
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("sent, working, done") << QStringList{".2", "W+", ".3", "W-", "L+", ".4", "L-", ".4"};
        QTest::newRow("both present: working") << QStringList{"W+", "L+", ".3", "W-", ".4"};
        QTest::newRow("stale log is not done") << QStringList{"S", ".2", "W+", ".3", "W-", ".3"};
        QTest::newRow("stale log rewritten is done") << QStringList{"S", ".2", "L~", ".4"};
        QTest::newRow("log written while the job is published") << QStringList{"Q", ".4"};
        QTest::newRow("a folder named like the log is no log") << QStringList{"LD", ".2"};
    }
    void watcherFollowsTheServer()
    {
        QFETCH(QStringList, steps);
        const QString wip = m_jobs + "/Z_45678.wip", log = m_out + "/Lotto7/Z_45678.log";
        const auto writeLog = [&](int age) {
            QFile file(log);
            file.open(QIODevice::WriteOnly);
            file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
        };
        if (steps.first() == "S")
            writeLog(86400);
        if (steps.first() == "Q")
            host->onPublished = [&] { writeLog(0); };
        QVERIFY(TickAndWait(*watcher, *host));   // before any request: nothing to look at
        QCOMPARE(look() + QString::number(host->fileCalls), "#ffffff " + IdleCaption + "0");
        s.OutFolder = "Lotto7";
        QVERIFY(convert({"a"}));
        const QStringList looks{"", "", "#ffff00 Richiesta inviata al server", "#00ffff Conversione in corso...",
                                "#00ff00 File convertiti."};
        for (const QString& step : steps) {
            if (step == "W+") WriteBytes(wip, "");
            else if (step == "W-") QFile::remove(wip);
            else if (step == "L+") writeLog(0);
            else if (step == "L-") QFile::remove(log);
            else if (step == "L~") writeLog(10);
            else if (step == "LD") QDir().mkpath(log);
            else if (step.startsWith('.')) {
                QVERIFY(TickAndWait(*watcher, *host));
                QCOMPARE(look(), looks[step.mid(1).toInt()]);
            }
        }
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
