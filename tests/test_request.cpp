#include "Folders.h"
#include "Request.h"

#include <memory>

// A request on real folders: the job it publishes, and what it makes of the server's marks.
class TestRequest : public QObject {
    Q_OBJECT
    Folders f;
    SettingsRecord s;
    std::unique_ptr<TestHost> host;
    std::unique_ptr<WiredRequest> wired;

    bool convert(const QStringList& drawings) { return SendAndWait(wired->request, s, drawings); }
    bool convertAt(int second) { return host->time = second, convert({"0"}); }
    bool tick() { return TickAndWait(wired->request, *host); }
    void writeLog(const QString& name, qint64 modified)
    {
        WriteBytes(f.out + "/Lotto7/" + name + ".log", "", QDateTime::fromMSecsSinceEpoch(modified));
    }

private slots:
    void init()
    {
        f.renew({f.out + "/Lotto7"});
        s = f.settings();
        s.OutFolder = "Lotto7";   // where writeLog writes
        wired.reset();
        host = std::make_unique<TestHost>();
        wired = std::make_unique<WiredRequest>(*host);
    }

    // Sent: the job's bytes, status 2, its marks watched. Refused (list, folder, characters in this order, a share
    // that cannot take it, a waiting job of the name, never replaced): the warning, status 1, the earlier one watched.
    void convert_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("waiting");   // a job of the same name already there, or the share's fault
        QTest::addColumn<QString>("warning");   // empty: sent
        QTest::addColumn<QByteArray>("job");
        const auto row = [](const char* name, const QString& folder, const QStringList& drawings,
                            const QByteArray& waiting, const QString& warning, const QByteArray& job = "<missing>") {
            QTest::newRow(name) << folder << drawings << waiting << warning << job;
        };
        row("two drawings, the code page", "Citt\u00E0", {"C:\\D\\pezzo1.dxf", "C:\\D\\pezzo2.dwg"}, {}, "",
            "OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\nC:\\D\\pezzo1.dxf\r\nC:\\D\\pezzo2.dwg\r\n");
        row("empty list, bad folder", "..\\x", {}, {},
            "Nessun disegno da convertire: trascinare i disegni nell'elenco.");
        row("bad folder, bad path", "..\\x", {"a\nb"}, {},
            "Cartella di archiviazione non valida: ..\\x ('..' non è ammesso)");
        row("line feed", "", {"a", "b\nDXFDWG=DWG"}, {}, "Percorso non valido: b\nDXFDWG=DWG");
        row("outside the code page", "\u56FE", {"a"}, {}, "Carattere non rappresentabile in: \u56FE");
        row("double click", "", {"a"}, "DXFDWG=DXF\r\na\r\n", "", "DXFDWG=DXF\r\na\r\n");
        row("a share with no safe rename", "", {"a"}, "unsafe",
            "Richiesta non inviata: la cartella condivisa " + Native(f.jobs)
                + " non consente di consegnare la richiesta in modo sicuro, senza il rischio di sostituire una "
                  "richiesta in attesa. Rivolgersi all'amministratore della rete.");
        const QString missing = "Richiesta non inviata: la cartella delle richieste " + Native(f.jobs) + "\\manca";
        row("no request folder", "", {"a"}, "missing", missing + " non esiste (JobFileDir in kivra_client.ini)");
        row("the file's request folder refused at start-up", "", {"a"}, "refused",
            missing
                + " non esiste. JobFileDir=\\\\srv\\cad\\Richieste in kivra_client.ini non era raggiungibile "
                  "all'avvio: riavviare il programma quando la condivisione è di nuovo disponibile");
        row("another workstation's job", "", {"a"}, "DXFDWG=DWG\r\nx\r\n",
            "Richiesta non inviata: la richiesta Z_45678 precedente non è ancora stata presa in carico dal server. "
            "Riprovare tra qualche secondo.",
            "DXFDWG=DWG\r\nx\r\n");
    }
    void convert()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, drawings);
        QFETCH(QByteArray, waiting);
        QFETCH(QString, warning);
        QFETCH(QByteArray, job);
        QVERIFY(convertAt(45677));
        const QStringList earlier = wired->watched();
        host->time = 45678;
        s.OutFolder = folder;
        host->unsafe = waiting == "unsafe";
        if (waiting == "missing" || waiting == "refused")
            s.JobFileDir += "\\manca", s.JobFileDirRefused = waiting == "refused" ? "\\\\srv\\cad\\Richieste" : "";
        else if (!waiting.isNull() && !host->unsafe)
            WriteBytes(f.jobs + "/Z_45678.job", waiting);
        convert(drawings);
        QCOMPARE(host->warnings, warning.isEmpty() ? QStringList{} : QStringList{warning});
        QCOMPARE(ReadBytes(f.jobs + "/Z_45678.job"), job);
        QCOMPARE(f.inRequestFolder().size(), 1 + int(job != "<missing>"));
        QCOMPARE(wired->shown(), warning.isEmpty() ? RequestSent : PreparingList);
        const QStringList marks{Native(f.jobs) + "\\Z_45678.wip",
                                Native(f.out) + (folder.isEmpty() ? "" : "\\" + folder) + "\\Z_45678.log"};
        QCOMPARE(wired->watched(), warning.isEmpty() ? marks : earlier);
    }

    // The request folder stops answering: one look at a time however many ticks come, none queued behind it.
    void aHungRequestFolder()
    {
        QVERIFY(convert({"a"}));
        WriteBytes(f.jobs + "/Z_45678.wip", "");
        host->fileCalls = 0;
        std::unique_lock hung(host->gate);
        wired->request.tick(), wired->request.tick();
        QTRY_COMPARE(host->fileCalls.load(), 1);
        hung.unlock();
        QTRY_VERIFY(!wired->request.looking());
        QTest::qWait(50);
        QCOMPARE(host->fileCalls.load(), 1);
    }

    // The output root stops answering, with yesterday's log in it: jobs still go out, one while a
    // look hangs there too. Once it answers again, that log is not taken for the request's.
    void aHungOutputRoot()
    {
        QThreadPool::globalInstance()->setMaxThreadCount(1);   // a one-CPU machine: the request has workers of its own
        writeLog("Z_45679", QDateTime::currentMSecsSinceEpoch() - 86400000);
        host->badShare = f.out;
        std::unique_lock hung(host->gate);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(convert({"a"}));
        qInfo("published with the output root hung: %lld ms", QDateTime::currentMSecsSinceEpoch() - before);
        const int sent = host->fileCalls;
        wired->request.tick();   // no .wip: the look waits on the log
        QTRY_COMPARE(host->fileCalls.load(), sent + 2);
        host->time = 45679;
        QVERIFY(convert({"b"}));
        QCOMPARE(ReadBytes(f.jobs + "/Z_45679.job"), "OUTDIR=Lotto7\r\nDXFDWG=DXF\r\nb\r\n");
        hung.unlock();
        QTRY_VERIFY(wired->request.idle() && !wired->request.looking());
        QVERIFY(tick());
        QCOMPARE(wired->shown(), RequestSent);
    }

    // Another workstation presses Converti while our job is between its temporary file and its rename, and the
    // server takes that job at once: under our name, our rename would succeed beside it (a .wip stamped after our
    // job may be ours) and one log would end two requests. It waits for another name; ours goes out, and the name's
    // reservation goes with the send.
    void aSendUnderWayElsewhere()
    {
        Publishing theirs;
        host->beforeJobRename = [&] {
            struct Workstation : Host {
                int secondsSinceMidnight() const override { return 45678; }
            } other;
            Sending sending{".job", ".wip", ".log", s.DXFOutDirRoot + "\\Lotto7", {s.JobFileDir}, {s.DXFOutDirRoot},
                            "DXFDWG=DWG\r\nb\r\n"};
            QThreadPool reads;
            theirs = PublishUnderAFreeName(sending, other, reads, 200, std::make_shared<std::atomic<bool>>(false));
            if (QFile::rename(f.jobs + "/Z_45678.job", f.jobs + "/Z_45678.wip"))   // the server at work on it
                theirs.request.Name += " (claimed)";
        };
        QVERIFY(convert({"a"}));
        QCOMPARE(theirs.request.Name, "Z_45678");
        QVERIFY(theirs.warning.startsWith("Richiesta non inviata: la richiesta Z_45678 precedente"));
        QCOMPARE(f.inRequestFolder(), QStringList{"Z_45678.job"});
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
