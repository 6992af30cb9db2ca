#include "Folders.h"
#include "Window.h"

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

#ifdef Q_OS_LINUX
// A share mounted on an empty folder (a tmpfs bound there, as root): away, the folder is left empty, on its parent's
// volume, and every look under it answers "not there".
struct Share {
    const QString point, disk = point + ".disco";
    const QByteArray at = QFile::encodeName(point);
    bool bound = QDir().mkpath(disk) && QDir().mkpath(point)
        && ::mount("kivra", QFile::encodeName(disk), "tmpfs", 0, nullptr) == 0 && back();

    ~Share()
    {
        while (::umount2(at, MNT_DETACH) == 0) { }   // a share back twice is bound twice
        ::umount2(QFile::encodeName(disk), MNT_DETACH);
    }
    bool back() { return ::mount(QFile::encodeName(disk), at, nullptr, MS_BIND, nullptr) == 0; }
    void away() { ::umount2(at, MNT_DETACH); }
};
#endif

// The window on real folders: a program folder with the settings file, requests, an output root.
class TestWindow : public QObject {
    Q_OBJECT
    Folders f;
    const QString m_program = f.tmp.filePath("programma");
    SettingsRecord s;
    TestHost host;
    std::unique_ptr<frmClient> w;

    DrawingList* list() const { return Control<DrawingList>(*w, "ListV"); }
    QLabel* status() const { return Control<QLabel>(*w, "lblStatus"); }
    QPushButton* convert() const { return Control<QPushButton>(*w, "CmdOut"); }
    QLineEdit* folder() const { return Control<QLineEdit>(*w, "txtFolder"); }
    QTimer* timer() const { return Control<QTimer>(*w, "Timer1"); }
    void start(const QByteArray& ini)   // a null one: no settings file
    {
        w.reset();
        f.renew({m_program});
        if (!ini.isNull())
            WriteBytes(m_program + "/kivra_client.ini",
                       ("JobFileDir=" + Native(f.jobs) + "\nDXFOutDirRoot=" + Native(f.out) + "\n").toUtf8() + ini);
        host.warnings.clear(), host.told.clear(), host.opened.clear();
        host.ahead = 0, host.failing = false, host.badShare.clear(), host.time = 45678;
        w = std::make_unique<frmClient>(s, host, Native(m_program));
    }
    void showActive()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(w->windowHandle(), k, modifiers); }
    void send(const QStringList& drawings)
    {
        list()->addPaths(drawings);
        convert()->click();
        QTRY_VERIFY(convert()->isEnabled());
    }
    QVariant state(int row) const
    {
        return w->findChild<SentRequests*>()->index(row, SentRequests::StateColumn).data();
    }

private slots:
    // Without a settings file: the defaults, the warning; "Percorso" follows the folder typed.
    void startUp()
    {
        start(QByteArray());
        QCOMPARE(host.warnings, QStringList{Native(m_program + "/kivra_client.ini") + " non esiste"});
        QCOMPARE(Control<QLineEdit>(*w, "txtMaxDrawings")->text(), "3");
        QTest::keyClicks(folder(), "clienti\\Lotto7");
        QCOMPARE(s.OutFolder, "clienti\\Lotto7");
        QCOMPARE(Control<QLineEdit>(*w, "txtPath")->text(),
                 (Windows ? "y:\\Richieste" : "/mnt/y/Richieste") + Native("/clienti/Lotto7"));
        SetStatus(status(), -1);   // a screen reader reads the caption, whatever the code
        QCOMPARE(QAccessible::queryAccessibleInterface(status())->text(QAccessible::Name), "Stato sconosciuto");
    }

    // Dropped files: status 1, the files up to the cap, those left out told (also to a screen reader); web links or a
    // move change nothing. "Aggiungi disegni…" (Ins) adds the dialog's files as one drop; it opens where it was left.
    void filesArrive()
    {
        start("MaxNumberFiles=3");
        const QStringList files{"/Disegni/pezzo1.dxf", "/Disegni/pezzo2.dxf", "/Disegni/pezzo3.dxf"};
        QMimeData* web = FileData(files);
        web->setUrls(web->urls() << QUrl("https://www.kivra.example/a.dxf"));
        QCOMPARE(DragAndDrop(*w, web), Qt::IgnoreAction);
        QCOMPARE(DragAndDrop(*w, FileData(files), Qt::MoveAction), Qt::IgnoreAction);
        QCOMPARE(Shown(status()), Idle);
        list()->addPaths({"pezzo0.dxf"});
        QCOMPARE(DragAndDrop(*w, FileData(files)), Qt::CopyAction);
        QCOMPARE(Shown(status()), PreparingList);
        QCOMPARE(list()->paths(), (QStringList{"pezzo0.dxf", Native(files[0]), Native(files[1])}));
        auto* note = Control<QLabel>(*w, "ListNote");   // heard as the status is: a label named by its text
        QCOMPARE(QAccessible::queryAccessibleInterface(note)->text(QAccessible::Name),
                 "1 disegno non aggiunto: al massimo 3 per richiesta");

        list()->clear();
        for (const QString& file : files + files)
            host.chosen << QFileInfo(file).absoluteFilePath();   // as a file dialog gives them
        showActive();
        list()->setFocus();
        key(Qt::Key_Insert), key(Qt::Key_Insert);
        QCOMPARE(list()->paths(), QStringList(host.chosen.mid(0, 3)).replaceInStrings("/", Windows ? "\\" : "/"));
        QCOMPARE(host.choosingIn, (QStringList{"", QFileInfo(files[0]).absolutePath()}));
        QTRY_VERIFY_WITH_TIMEOUT(note->isHidden(), 7000);
        list()->setMaxItems(-1);   // no cap but the request format's
        QGuiApplication::clipboard()->setMimeData(FileData({"incollato.dxf"}));
        key(Qt::Key_V, Qt::ControlModifier);
        list()->addPaths(QStringList(40000, "x"));
        QCOMPARE(list()->paths().mid(3, 2), (QStringList{"incollato.dxf", "x"}));
        QCOMPARE(list()->count(), 32767);
    }

    // The shares go away and come back with an earlier log of the request's name: it is never taken as done, when
    // the root was away at sending, is the mount point itself (whose empty folder answers "folder"), or failed while
    // the job went out beside another's log of five minutes ago. The request's own log counts.
    void sharesAway_data()
    {
        QTest::addColumn<QString>("root");   // below the output share's mount point, or the mount point
        QTest::addColumn<QString>("whileSending");   // what the output root does while the job goes out
        QTest::addColumn<int>("logAge");   // of the earlier log, in minutes
        QTest::newRow("away while sending") << "/Uscita" << "away" << 24 * 60;
        QTest::newRow("the mount point, away after sending") << "" << "" << 24 * 60;
        QTest::newRow("the mount point failing while sending") << "" << "failing" << 5;
    }
    void sharesAway()
    {
#ifndef Q_OS_LINUX
        QSKIP("mount points of the test's own are made on Linux");
#else
        QFETCH(QString, root);
        QFETCH(QString, whileSending);
        QFETCH(int, logAge);
        QTemporaryDir dir;
        Share requests{dir.filePath("y")}, output{dir.filePath("z")};
        if (!requests.bound || !output.bound)
            QSKIP("a mount point of its own needs root");
        QDir().mkpath(requests.point + "/Richieste"), QDir().mkpath(output.point + root);
        start(QString("JobFileDir=%1\\Richieste\nDXFOutDirRoot=%2")
                  .arg(Native(requests.point), Native(output.point + root))
                  .toUtf8());
        QTRY_VERIFY(w->idle());   // the configured folders seen, mount points told
        QTest::qWait(20);
        const QString log = output.point + root + "/Z_45678.log";
        WriteBytes(log, "", QDateTime::currentDateTime().addSecs(-60 * logAge));
        if (whileSending == "away")
            output.away();
        host.badShare = whileSending == "failing" ? output.point : "";
        host.failing = whileSending == "failing";
        send({"a"});
        host.failing = false;
        requests.away();
        if (whileSending.isEmpty())
            output.away();
        timer()->start(10);
        QTest::qWait(100);
        requests.back(), output.back();
        QTest::qWait(100);
        QCOMPARE(Shown(status()), RequestSent);
        WriteBytes(log, "log");
        QTRY_COMPARE(Shown(status()), Converted);
#endif
    }

    // Closing while a write hangs: after a brief wait, one warning says it may not have gone.
    void closingWhileAWriteHangs()
    {
        start("");
        list()->addPaths({"a"});
        std::unique_lock hung(host.gate);
        convert()->click();
        QVERIFY(w->close());
        QCOMPARE(host.warnings, QStringList{"La richiesta Z_45678 potrebbe non essere stata inviata: la cartella "
                                            "condivisa non risponde."});
    }

    // A user in another window is told once of a request done; a user in the window is not.
    void toldWhenElsewhere()
    {
        start("");
        const auto done = [&] {
            send({"a"});
            WriteBytes(f.out + "/Z_" + QString::number(host.time) + ".log", "");
            timer()->setInterval(10);
            QTRY_COMPARE(Shown(status()), Converted);
            QTest::qWait(50);   // more ticks, the same status
        };
        done();
        QCOMPARE(host.told, (QStringList{"attention", "KIVRA_Client: File convertiti.\n" + Native(f.out)}));
        host.told.clear(), ++host.time;
        showActive();
        done();
        QCOMPARE(host.told, QStringList{});
    }

    // "Richieste inviate" (Ctrl+R): a second press at once sends nothing; "Annulla richiesta" (Canc) takes back a
    // waiting job and refuses a taken one; "Invia di nuovo" sends the same job; "Apri log" comes on once it is done.
    void requestsWindow()
    {
        start("");
        timer()->stop();
        showActive();
        send({"a", "b"});
        const QByteArray job = ReadBytes(f.jobs + "/Z_45678.job");
        ++host.time;
        convert()->click();   // a double click's second press
        QTest::qWait(50);
        QCOMPARE(f.inRequestFolder(), QStringList{"Z_45678.job"});
        key(Qt::Key_R, Qt::ControlModifier);
        auto* table = Control<QTableView>(*w, "Requests");
        QVERIFY(QTest::qWaitForWindowActive(table->window()));
        QCOMPARE(QApplication::focusWidget(), table);
        const auto cell = [&](int column, int role = Qt::DisplayRole) {
            return table->currentIndex().siblingAtColumn(column).data(role);
        };
        QCOMPARE(cell(SentRequests::FormatColumn), "DXF");
        QCOMPARE(cell(SentRequests::NameColumn, Qt::ToolTipRole), "a\nb");
        QTest::keyClick(table, Qt::Key_Delete);
        QTRY_COMPARE(cell(SentRequests::StateColumn), "Annullata");
        QCOMPARE(f.inRequestFolder(), QStringList{});
        QCOMPARE(Shown(status()), Idle);
        QTest::keyClick(table, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(table->model()->rowCount(), 2);
        QCOMPARE(table->currentIndex().row(), 0);
        QCOMPARE(ReadBytes(f.jobs + "/Z_45679.job"), job);
        QCOMPARE(Shown(status()), RequestSent);
        WriteBytes(f.jobs + "/Z_45679.wip", "");
        QTest::keyClick(table, Qt::Key_Delete);
        QTRY_COMPARE(host.warnings, QStringList{"La richiesta Z_45679 è già in lavorazione: non può essere annullata"});
        QCOMPARE(f.inRequestFolder(), (QStringList{"Z_45679.job", "Z_45679.wip"}));
        const auto button = [&](const QString& text) {
            for (auto* b : table->window()->findChildren<QPushButton*>())
                if (b->text() == text)
                    return b;
            qFatal("no button %s", qPrintable(text));
        };
        QVERIFY(!button("Apri log")->isEnabled());
        QFile::remove(f.jobs + "/Z_45679.wip"), QFile::remove(f.jobs + "/Z_45679.job");
        WriteBytes(f.out + "/Z_45679.log", "");
        timer()->start(10);
        QTRY_COMPARE(cell(SentRequests::StateColumn), "File convertiti.");
        QVERIFY(button("Apri log")->isEnabled() && button("Apri cartella")->isEnabled());
        button("Apri log")->click();
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(host.opened, (QStringList{Native(f.out) + "\\Z_45679.log", Native(f.out)}));
        WriteBytes(f.jobs + "/Z_45678.wip", "");   // the server had read the withdrawn job
        QTRY_COMPARE(state(1), "Annullata, ma il server l'aveva già presa");
    }

    // No sign from the server past WaitTimeout: the row says for how long, the user is told once, the status stays.
    // Its .wip then goes with no log: a minute later magenta, "Conclusa senza log", told once. "Azzera lista" then
    // empties the list and the status field, while the row still follows the request.
    void endedWithoutLog()
    {
        start("");
        s.WaitTimeout = 1;
        send({"a"});
        timer()->start(10);
        QTRY_COMPARE(state(0), "In attesa del server da 1 min");
        host.ahead = 3 * 60000;
        QTRY_COMPARE(state(0), "In attesa del server da 3 min");
        QCOMPARE(Shown(status()), RequestSent);
        WriteBytes(f.jobs + "/Z_45678.wip", "");
        QTRY_COMPARE(Shown(status()), Converting);
        QFile::remove(f.jobs + "/Z_45678.wip");
        QTest::qWait(100);   // its going seen before the clock moves on
        host.ahead = 4 * 60000 + 1000;
        QTRY_COMPARE(Shown(status()), EndedWithoutLog);
        QCOMPARE(state(0), "Conclusa senza log");
        QTest::qWait(100);   // more ticks, told no more
        const auto sent = QDateTime::fromMSecsSinceEpoch(w->findChild<SentRequests*>()->request(0).SentAt);
        QCOMPARE(host.told, (QStringList{"KIVRA_Client: Nessun segno dal server per la richiesta Z_45678 (inviata alle "
                                             + sent.toString("HH:mm") + ")", "attention",
                                         "KIVRA_Client: La richiesta Z_45678 si è conclusa senza log: i disegni "
                                         "potrebbero non essere stati convertiti.\n" + Native(f.out)}));
        Control<QPushButton>(*w, "cmdReset")->click();
        QVERIFY(list()->count() == 0 && Shown(status()) == Idle);
        WriteBytes(f.out + "/Z_45678.log", "");   // late but in time: its row turns green, the status stays
        QTRY_COMPARE(state(0), "File convertiti.");
        QCOMPARE(Shown(status()), Idle);
    }

    // The guide's links (QTextBrowser opens none itself): web ones to the browser, the guide's own pages in it,
    // anything else nowhere.
    void guideLinks()
    {
        start("");
        QDir().mkpath(m_program + "/guida");
        WriteBytes(m_program + "/guida/index.html",
                   "<a href='https://www.kivra.example/'>a</a> <a href='file:///etc/hostname'>b</a> "
                   "<a href='../kivra_client.ini'>c</a> <a href='altra.html#fine'>d</a>");
        WriteBytes(m_program + "/guida/altra.html", "<p>Seconda pagina</p><a name='fine'></a>");
        showActive();
        key(Qt::Key_F1);
        auto* guide = w->findChild<QTextBrowser*>();
        QTRY_COMPARE(guide->windowTitle(), "Guida di KIVRA_Client");
        QVERIFY(!guide->openLinks());
        for (const char* link : {"https://www.kivra.example/", "file:///etc/hostname", "../kivra_client.ini"}) {
            emit guide->anchorClicked(QUrl(link));
            QCOMPARE(guide->toPlainText(), "a b c d");
        }
        emit guide->anchorClicked(QUrl("altra.html#fine"));
        QCOMPARE(guide->toPlainText(), "Seconda pagina");
        QCOMPARE(host.opened, QStringList{"https://www.kivra.example/"});
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
