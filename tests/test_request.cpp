#include "FolderRows.h"
#include "TestHost.h"
#include "request/Status.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestRequest : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs, m_out;   // request folder and output root, host form
    SettingsRecord s;
    std::unique_ptr<TestHost> host;
    QLabel status;
    std::unique_ptr<Watcher> watcher;

    QStringList jobFolder() const { return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden); }
    bool convert(const QStringList& drawings) { return ConvertAndWait(s, drawings, &status, *watcher, *host); }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        m_jobs = m_tmp.filePath("Richieste");
        m_out = m_tmp.filePath("Uscita");
        QDir().mkpath(m_jobs);
        QDir().mkpath(m_out + "/Lotto7");
        InitDefaults(s);
        s.JobFileDir = Native(m_jobs);
        s.DXFOutDirRoot = Native(m_out);
        s.OutFolder.clear();
        host = std::make_unique<TestHost>();
        watcher = std::make_unique<Watcher>(&status, *host);
        SetStatus(&status, 0);
    }

    void statusField()
    {
        const QStringList looks{"#ffffff " + IdleCaption, "#ff0000 Preparazione della lista", "#ffff00 Richiesta inviata al server",
                                "#00ffff Conversione in corso...", "#00ff00 File convertiti."};
        for (StatusCode code : {0, 1, 2, 3, 4, 4, 5, -1}) {
            SetStatus(&status, code);
            QCOMPARE(status.palette().color(QPalette::Window).name() + " " + status.text(),
                     code >= 0 && code <= 4 ? looks[code] : "#ff00ff Stato sconosciuto");
        }
    }

    void jobFile_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two drawings") << "Lotto7" << "DWG" << QStringList{"C:\\Disegni\\pezzo1.dxf", "C:\\Disegni\\pezzo2.dwg"}
            << QByteArray("OUTDIR=Lotto7\r\nDXFDWG=DWG\r\nC:\\Disegni\\pezzo1.dxf\r\nC:\\Disegni\\pezzo2.dwg\r\n");
        QTest::newRow("no folder; order, duplicates, a mounted drive") << "" << "DXF" << QStringList{"b", "/mnt/y/D/a.dxf", "b"}
            << QByteArray("DXFDWG=DXF\r\nb\r\ny:\\D\\a.dxf\r\nb\r\n");
        QTest::newRow("code page") << "Città" << "DXF" << QStringList{" \\\\srv\\€.dxf"}
            << QByteArray("OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\n \\\\srv\\\x80.dxf\r\n");
    }
    void jobFile()
    {
        QFETCH(QString, outFolder);
        QFETCH(QString, mode);
        QFETCH(QStringList, drawings);
        QFETCH(QByteArray, bytes);
        s.OutFolder = outFolder;
        s.DXFDWGmode = mode;
        QVERIFY(convert(drawings));
        QCOMPARE(host->warnings, QStringList{});
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), bytes);
        QCOMPARE(status.text(), "Richiesta inviata al server");
        const QString log = outFolder.isEmpty() ? "\\Z_45678.log" : "\\" + outFolder + "\\Z_45678.log";
        QCOMPARE(watcher->watched().WipFilePath + " " + watcher->watched().LogFilePath,
                 Native(m_jobs) + "\\Z_45678.wip " + Native(m_out) + log);
    }

    // Refused before anything is written, in this order: the list, the folder, the characters.
    // Not shown as sent, and the earlier request is no longer watched.
    void refusedBeforeAnyWrite_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QString>("warning");   // empty: sent
        const QString none = "Nessun disegno da convertire: trascinare i disegni nell'elenco.";
        QTest::newRow("empty list, bad folder") << "..\\x" << QStringList{} << none;
        QTest::newRow("line feed") << "" << QStringList{"a", "b\nDXFDWG=DWG"} << "Percorso non valido: b\nDXFDWG=DWG";
        QTest::newRow("bad folder, bad path") << "x\ry" << QStringList{"a\nb"} << "Cartella di archiviazione non valida: x\ry";
        QTest::newRow("outside the code page") << "\u56FE" << QStringList{"a"} << "Carattere non rappresentabile in: \u56FE";
        for (const auto& [folder, allowed] : FolderRows)
            QTest::newRow(qPrintable(folder)) << folder << QStringList{"a"}
                                              << (allowed ? QString() : "Cartella di archiviazione non valida: " + folder);
    }
    void refusedBeforeAnyWrite()
    {
        QFETCH(QString, outFolder);
        QFETCH(QStringList, drawings);
        QFETCH(QString, warning);
        host->time = 100;
        QVERIFY(convert({"earlier"}));
        s.OutFolder = outFolder;
        host->time = 200;
        QCOMPARE(convert(drawings), warning.isEmpty());
        QCOMPARE(host->warnings, warning.isEmpty() ? QStringList{} : QStringList{warning});
        QCOMPARE(jobFolder().size(), warning.isEmpty() ? 2 : 1);
        if (warning.isEmpty())
            return;
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(watcher->watched().WipFilePath + watcher->watched().LogFilePath, QString());
    }

    // A taken name is never written over: the same bytes are the same request sent twice.
    void aWaitingJobIsNeverReplaced_data()
    {
        QTest::addColumn<QByteArray>("waiting");
        QTest::newRow("double click: same bytes") << QByteArray("DXFDWG=DXF\r\na\r\n");
        QTest::newRow("another workstation's job") << QByteArray("DXFDWG=DWG\r\nx\r\n");
    }
    void aWaitingJobIsNeverReplaced()
    {
        QFETCH(QByteArray, waiting);
        const bool same = waiting.endsWith("a\r\n");
        WriteBytes(m_jobs + "/Z_45678.job", waiting);
        QVERIFY(convert({"a"}));
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), waiting);
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
        QCOMPARE(status.text(), same ? "Richiesta inviata al server" : "Preparazione della lista");
        QCOMPARE(watcher->watched().WipFilePath.isEmpty(), !same);
        QCOMPARE(host->warnings, same ? QStringList{} : QStringList{"Richiesta non inviata: la richiesta Z_45678 precedente "
                                                                   "non è ancora stata presa in carico dal server. Riprovare tra qualche secondo."});
    }

    void watcherFollowsTheServer_data()
    {
        // W+/W- make or remove the .wip, L+/L- the .log, L~ rewrites it; ".N": a tick, then status N.
        QTest::addColumn<bool>("staleLog");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("sent, working, done") << false << QStringList{".2", "W+", ".3", "W-", "L+", ".4", "L-", ".4"};
        QTest::newRow("both present: working") << false << QStringList{"W+", "L+", ".3", "W-", ".4"};
        QTest::newRow("stale log is not done") << true << QStringList{".2", "W+", ".3", "W-", ".3"};
        QTest::newRow("stale log rewritten is done") << true << QStringList{".2", "L~", ".4"};
        QTest::newRow("stale log gone and back is done") << true << QStringList{"L-", ".2", "L+", ".4"};
        QTest::newRow("log written while the job is published") << false << QStringList{"Q", ".4"};
        QTest::newRow("a folder named like the log is no log") << false << QStringList{"LD", ".2"};
    }
    void watcherFollowsTheServer()
    {
        QFETCH(bool, staleLog);
        QFETCH(QStringList, steps);
        const QString wip = m_jobs + "/Z_45678.wip", log = m_out + "/Lotto7/Z_45678.log";
        const auto writeLog = [&](int age) {
            WriteBytes(log, "OK");
            QFile file(log);
            file.open(QIODevice::ReadWrite);
            file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
        };
        if (staleLog)
            writeLog(86400);   // yesterday's request of the same name
        if (steps.first() == "Q")
            host->onPublished = [&] { writeLog(0); };
        QVERIFY(TickAndWait(*watcher, *host));   // before any request: nothing to look at
        QCOMPARE(status.text() + QString::number(host->statusCalls), IdleCaption + "0");
        s.OutFolder = "Lotto7";
        QVERIFY(convert({"a"}));
        const QStringList captions{IdleCaption, "", "Richiesta inviata al server", "Conversione in corso...", "File convertiti."};
        for (const QString& step : steps) {
            if (step == "W+") WriteBytes(wip, "");
            else if (step == "W-") QFile::remove(wip);
            else if (step == "L+") writeLog(0);
            else if (step == "L-") QFile::remove(log);
            else if (step == "L~") writeLog(10);
            else if (step == "LD") QDir().mkpath(log);
            else if (step.startsWith('.')) {
                QVERIFY(TickAndWait(*watcher, *host));
                QCOMPARE(status.text(), captions[step.mid(1).toInt()]);
            }
        }
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
