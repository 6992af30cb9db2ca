#include "FolderRows.h"
#include "TestHost.h"
#include "platform/CodePage.h"
#include "request/Convert.h"
#include "request/Status.h"
#include "request/Watcher.h"
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
    QString colour() const { return status.palette().color(QPalette::Window).name(); }

    bool convert(const QStringList& drawings)
    {
        return ConvertAndWait(s, drawings, &status, *watcher, *host);
    }
    void tick()
    {
        host->statusCalls = 0;
        QVERIFY(TickAndWait(*watcher));
        QVERIFY(host->statusCalls <= 2);
    }

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
        host->time = 45678;
        watcher = std::make_unique<Watcher>(&status, *host);
        SetStatus(&status, 0);
    }

    void requestName()
    {
        QCOMPARE(RequestName(0), "Z_0");
        QCOMPARE(RequestName(45678), "Z_45678");
        QCOMPARE(RequestName(86399), "Z_86399");
    }

    void statusField()
    {
        const QList<QPair<QString, QString>> looks{
            {"#ffffff", IdleCaption}, {"#ff0000", "Preparazione della lista"},
            {"#ffff00", "Richiesta inviata al server"}, {"#00ffff", "Conversione in corso..."},
            {"#00ff00", "File convertiti."}};
        for (StatusCode code : {0, 1, 2, 3, 4, 4, 5, -1, 32767}) {
            SetStatus(&status, code);
            const auto expected = code >= 0 && code <= 4 ? looks[code]
                                                         : qMakePair(QString("#ff00ff"), QString("Stato sconosciuto"));
            QCOMPARE(qMakePair(colour(), status.text()), expected);
            QCOMPARE(status.palette().color(QPalette::WindowText), QColor(Qt::black));
        }
    }

    void jobFileBytes_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two drawings") << "Lotto7" << "DWG" << QStringList{"C:\\Disegni\\pezzo1.dxf", "C:\\Disegni\\pezzo2.dwg"}
            << QByteArray("OUTDIR=Lotto7\r\nDXFDWG=DWG\r\nC:\\Disegni\\pezzo1.dxf\r\nC:\\Disegni\\pezzo2.dwg\r\n");
        QTest::newRow("no output folder, order and duplicates kept") << "" << "DXF" << QStringList{"b", "a", "b"}
            << QByteArray("DXFDWG=DXF\r\nb\r\na\r\nb\r\n");
        QTest::newRow("code page") << "Città" << "DXF" << QStringList{"C:\\Disegni\\Città\\pezzo1.dxf", " \\\\srv\\€.dxf"}
            << QByteArray("OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\nC:\\Disegni\\Citt\xE0\\pezzo1.dxf\r\n \\\\srv\\\x80.dxf\r\n");
    }
    void jobFileBytes()
    {
        QFETCH(QString, outFolder);
        QFETCH(QString, mode);
        QFETCH(QStringList, drawings);
        QFETCH(QByteArray, bytes);
        s.OutFolder = outFolder;
        s.DXFDWGmode = mode;
        QVERIFY(convert(drawings));
        QCOMPARE(host->warnings, QStringList{});
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), bytes);
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
        QCOMPARE(qMakePair(colour(), status.text()), qMakePair(QString("#ffff00"), QString("Richiesta inviata al server")));
        const QString log = outFolder.isEmpty() ? "\\Z_45678.log" : "\\" + outFolder + "\\Z_45678.log";
        QCOMPARE(s.JobFilePath, Native(m_jobs) + "\\Z_45678.job");
        QCOMPARE(watcher->watched().WipFilePath, Native(m_jobs) + "\\Z_45678.wip");
        QCOMPARE(watcher->watched().LogFilePath, Native(m_out) + log);
    }

    // A name that is taken is never written over: the same bytes are the same request sent
    // twice; anything else is another request the server has not taken yet.
    void aWaitingJobIsNeverReplaced_data()
    {
        QTest::addColumn<QByteArray>("waiting");
        QTest::addColumn<bool>("sent");
        QTest::newRow("double click: same bytes") << QByteArray("DXFDWG=DXF\r\na\r\n") << true;
        QTest::newRow("another list in the same second") << QByteArray("DXFDWG=DXF\r\nb\r\n") << false;
        QTest::newRow("another workstation's job") << QByteArray("DXFDWG=DWG\r\nx\r\n") << false;
    }
    void aWaitingJobIsNeverReplaced()
    {
        QFETCH(QByteArray, waiting);
        QFETCH(bool, sent);
        WriteBytes(m_jobs + "/Z_45678.job", waiting);
        QVERIFY(convert({"a"}));
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), waiting);
        QCOMPARE(jobFolder(), QStringList{"Z_45678.job"});
        QCOMPARE(status.text(), sent ? "Richiesta inviata al server" : "Preparazione della lista");
        QCOMPARE(watcher->watched().WipFilePath.isEmpty(), !sent);
        QCOMPARE(host->warnings, sent ? QStringList{} : QStringList{
            "Richiesta non inviata: la richiesta Z_45678 precedente non è ancora stata presa in "
            "carico dal server. Riprovare tra qualche secondo."});
    }

    // A request that could never complete, or text that cannot go into a job line, is refused
    // before anything is written; it is not shown as sent and the earlier one is no longer
    // watched. Checked in this order: the list, the folder, the characters.
    void refusedBeforeAnyWrite_data()
    {
        QTest::addColumn<QString>("outFolder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QString>("warning");   // empty: sent
        const QString noDrawings = "Nessun disegno da convertire: trascinare i disegni nell'elenco.";
        QTest::newRow("empty list") << "" << QStringList{} << noDrawings;
        QTest::newRow("empty list, bad folder") << "..\\x" << QStringList{} << noDrawings;
        QTest::newRow("line feed in a path") << "" << QStringList{"a", "b\nDXFDWG=DWG"} << "Percorso non valido: b\nDXFDWG=DWG";
        QTest::newRow("bad folder, bad path") << "x\ry" << QStringList{"a\nb"} << "Cartella di archiviazione non valida: x\ry";
        QTest::newRow("outside the code page") << "" << QStringList{"a", "\u56FE.dwg"} << "Carattere non rappresentabile in: \u56FE.dwg";
        QTest::newRow("folder outside the code page") << "\u56FE" << QStringList{"a"} << "Carattere non rappresentabile in: \u56FE";
        for (const FolderRow& row : FolderRows())
            QTest::newRow(row.name) << row.folder << QStringList{"a"}
                                    << (row.allowed ? QString() : "Cartella di archiviazione non valida: " + row.folder);
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
        if (warning.isEmpty()) {
            QCOMPARE(host->warnings, QStringList{});
            QCOMPARE(ReadBytes(m_jobs + "/Z_200.job"), "OUTDIR=" + *EncodeAnsi(outFolder) + "\r\nDXFDWG=DXF\r\na\r\n");
            return;
        }
        QCOMPARE(host->warnings, QStringList{warning});
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(watcher->watched().WipFilePath + watcher->watched().LogFilePath, QString());
        QCOMPARE(jobFolder(), QStringList{"Z_100.job"});
    }

    void watcherFollowsTheServer_data()
    {
        // W+/W- create or remove the .wip, L+/L- the .log, L~ rewrites the log; ".N" is a tick
        // after which the status is code N.
        QTest::addColumn<bool>("staleLog");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("sent, working, done") << false << QStringList{".2", "W+", ".3", "W-", "L+", ".4", ".4"};
        QTest::newRow("no wip: sent then done") << false << QStringList{"L+", ".4"};
        QTest::newRow("both present: working") << false << QStringList{"W+", "L+", ".3", "W-", ".4"};
        QTest::newRow("log deleted after done stays done") << false << QStringList{"L+", ".4", "L-", ".4"};
        QTest::newRow("stale log is not done") << true << QStringList{".2", "W+", ".3", "W-", ".3"};
        QTest::newRow("stale log rewritten is done") << true << QStringList{".2", "L~", ".4"};
        QTest::newRow("stale log gone and back is done") << true << QStringList{"L-", ".2", "L+", ".4"};
        QTest::newRow("log written while the job is published") << false << QStringList{"Q", ".4"};
    }
    void watcherFollowsTheServer()
    {
        QFETCH(bool, staleLog);
        QFETCH(QStringList, steps);
        const QString wip = m_jobs + "/Z_45678.wip";
        const QString log = m_out + "/Lotto7/Z_45678.log";
        const auto writeLog = [&](int age) {
            WriteBytes(log, "OK");
            QFile file(log);
            file.open(QIODevice::ReadWrite);
            file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
        };
        if (staleLog)
            writeLog(86400);   // yesterday's request of the same name
        if (steps.first() == "Q")   // a quick server: done before the client has looked
            host->onPublished = [&](const QString&) { writeLog(0); };
        s.OutFolder = "Lotto7";
        QVERIFY(convert({"a"}));
        const QStringList captions{IdleCaption, "Preparazione della lista", "Richiesta inviata al server",
                                   "Conversione in corso...", "File convertiti."};
        for (const QString& step : steps) {
            if (step == "W+") WriteBytes(wip, "");
            else if (step == "W-") QFile::remove(wip);
            else if (step == "L+") writeLog(0);
            else if (step == "L-") QFile::remove(log);
            else if (step == "L~") writeLog(10);
            else if (step.startsWith('.')) {
                tick();
                QCOMPARE(status.text(), captions[step.mid(1).toInt()]);
            }
        }
    }

    void watcherIdleBeforeAnyRequest()
    {
        tick();
        QCOMPARE(host->statusCalls, 0);
        QCOMPARE(qMakePair(colour(), status.text()), qMakePair(QString("#ffffff"), IdleCaption));
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
