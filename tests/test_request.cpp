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
    // that cannot take it, or a waiting job of the same name, never replaced): the warning, status 1, the earlier
    // request still watched.
    void convert_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("drawings");
        QTest::addColumn<QByteArray>("waiting");   // a job of the same name already there, or the share's fault
        QTest::addColumn<QString>("warning");   // empty: sent
        QTest::addColumn<QByteArray>("job");
        QTest::newRow("two drawings, the code page")
            << "Citt\u00E0" << QStringList{"C:\\D\\pezzo1.dxf", "C:\\D\\pezzo2.dwg"} << QByteArray() << ""
            << QByteArray("OUTDIR=Citt\xE0\r\nDXFDWG=DXF\r\nC:\\D\\pezzo1.dxf\r\nC:\\D\\pezzo2.dwg\r\n");
        QTest::newRow("empty list, bad folder")
            << "..\\x" << QStringList{} << QByteArray()
            << "Nessun disegno da convertire: trascinare i disegni nell'elenco." << QByteArray("<missing>");
        QTest::newRow("bad folder, bad path")
            << "..\\x" << QStringList{"a\nb"} << QByteArray()
            << "Cartella di archiviazione non valida: ..\\x ('..' non è ammesso)" << QByteArray("<missing>");
        QTest::newRow("line feed") << "" << QStringList{"a", "b\nDXFDWG=DWG"} << QByteArray()
                                   << "Percorso non valido: b\nDXFDWG=DWG" << QByteArray("<missing>");
        QTest::newRow("outside the code page") << "\u56FE" << QStringList{"a"} << QByteArray()
                                               << "Carattere non rappresentabile in: \u56FE" << QByteArray("<missing>");
        QTest::newRow("double click") << "" << QStringList{"a"} << QByteArray("DXFDWG=DXF\r\na\r\n") << ""
                                      << QByteArray("DXFDWG=DXF\r\na\r\n");
        QTest::newRow("a share with no safe rename") << "" << QStringList{"a"} << QByteArray("unsafe")
                                                     << "Richiesta non inviata: la cartella condivisa " + Native(f.jobs)
                + " non consente di consegnare la richiesta in modo sicuro, senza il rischio di sostituire una "
                  "richiesta in attesa. Rivolgersi all'amministratore della rete."
                                                     << QByteArray("<missing>");
        const QString missing = "Richiesta non inviata: la cartella delle richieste " + Native(f.jobs) + "\\manca";
        QTest::newRow("no request folder") << "" << QStringList{"a"} << QByteArray("missing")
                                           << missing + " non esiste (JobFileDir in kivra_client.ini)"
                                           << QByteArray("<missing>");
        QTest::newRow("the file's request folder refused at start-up")
            << "" << QStringList{"a"} << QByteArray("refused")
            << missing + " non esiste. JobFileDir=\\\\srv\\cad\\Richieste in kivra_client.ini non era raggiungibile "
                         "all'avvio: riavviare il programma quando la condivisione è di nuovo disponibile"
            << QByteArray("<missing>");
        QTest::newRow("another workstation's job")
            << "" << QStringList{"a"} << QByteArray("DXFDWG=DWG\r\nx\r\n")
            << "Richiesta non inviata: la richiesta Z_45678 precedente non è ancora stata presa in carico dal server. "
               "Riprovare tra qualche secondo."
            << QByteArray("DXFDWG=DWG\r\nx\r\n");
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

    // The request folder stops answering: one look at a time, and a look that comes back after a
    // reset and a new request changes nothing.
    void aHungRequestFolder()
    {
        QVERIFY(convert({"a"}));
        WriteBytes(f.jobs + "/Z_45678.wip", "");
        host->fileCalls = 0;
        std::unique_lock hung(host->gate);
        wired->request.tick();
        wired->request.tick();
        QTRY_COMPARE(host->fileCalls.load(), 1);
        wired->request.reset();
        host->time = 45679;
        QSignalSpy ended(&wired->request, &SentRequests::sendEnded);
        QVERIFY(wired->request.send(s, {"b"}));
        QTRY_COMPARE(host->fileCalls.load(), 2);   // the look, and the new request's first
        hung.unlock();
        QTRY_VERIFY(ended.size() == 1 && wired->request.idle() && !wired->request.looking());
        QCOMPARE(wired->shown(), RequestSent);
        // No second look was waiting its turn: the hung look's one call, then the send's: each configured folder (on
        // Linux with the folder that holds it), the job and the .wip, the log before and after publishing (on Linux
        // with the output root, to make sure of its absence), the name's reservation, the publication, the job and the .wip once it is out.
        QCOMPARE(host->fileCalls.load(), 1 + 10 + 4 * int(!Windows));
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
    // reservation goes with the send. One left by a send killed an hour ago holds the name once and is removed.
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

        for (const int hoursAgo : {2, 0}) {
            host->warnings.clear(), host->time = 45679 - hoursAgo;
            const QString left = f.jobs + QString("/Z_%1.prenotazione").arg(host->time);
            WriteBytes(left, "", QDateTime::currentDateTime().addSecs(-3600 * hoursAgo));
            QVERIFY(convert({"b"}));
            QCOMPARE(host->warnings.size(), 1);
            QCOMPARE(QFile::exists(left), hoursAgo == 0);
        }
        QVERIFY(convertAt(45677) && host->warnings.size() == 1);
    }

    // A write that ends after a reset, published ("a") or under the name "a" took ("b"): its job is
    // not watched, and its failure says why but leaves the status alone.
    void aWriteThatEndsAfterAReset()
    {
        for (const QString drawing : {"a", "b"}) {
            std::unique_lock hung(host->gate);
            QSignalSpy ended(&wired->request, &SentRequests::sendEnded);
            QVERIFY(wired->request.send(s, {drawing}));
            wired->request.reset();
            SetStatus(&wired->status, Idle);
            hung.unlock();
            QVERIFY(ended.wait());
            QCOMPARE(host->warnings.size(), int(drawing == "b"));
            QCOMPARE(wired->shown(), Idle);
            QCOMPARE(wired->watched(), QStringList({"", ""}));
        }
    }
};

QTEST_MAIN(TestRequest)
#include "test_request.moc"
