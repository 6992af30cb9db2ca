#include "Window.h"
#include "request/Status.h"
#include "settings/Settings.h"

#include <QtTest>
#include <QtWidgets>

// The window on real folders: a program folder with its settings file, a request folder, an
// output root.
class TestWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs = m_tmp.filePath("Richieste"), m_out = m_tmp.filePath("Uscita");
    SettingsRecord s;
    TestHost host;

    // A null settings file: none is there.
    std::unique_ptr<frmClient> start(const QByteArray& ini)
    {
        const QString program = m_tmp.filePath("programma");
        QDir(m_tmp.path()).removeRecursively();
        for (const QString& dir : {program, m_jobs, m_out})
            QDir().mkpath(dir);
        if (!ini.isNull())
            WriteBytes(program + "/kivra_client.ini", "JobFileDir=" + Native(m_jobs).toUtf8() + "\nDXFOutDirRoot=" + Native(m_out).toUtf8() + "\n" + ini);
        host.warnings.clear();
        return std::make_unique<frmClient>(s, host, Native(program));
    }

private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("shown");   // mode, cap, "Percorso"
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("settings file") << QByteArray("DXFDWGmode=dwg\nMaxNumberFiles=-1\nKeepLog=forse\nMaxNumberFiles=x")
            << "DWG -1 " + Native(m_out) << QStringList{"Valore KeepLog non riconosciuto: forse", "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("none") << QByteArray() << QString("DXF 3 ") + (Windows ? "y:\\Richieste" : "/mnt/y/Richieste")
                              << QStringList{Native(m_tmp.filePath("programma/kivra_client.ini")) + " non esiste"};
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, shown);
        QFETCH(QStringList, warnings);
        const auto w = start(ini);
        const QString mode = w->OptDWG->isChecked() ? "DWG" : w->OptDXF->isChecked() ? "DXF" : "?";
        QCOMPARE(mode + " " + w->txtMaxDrawings->text() + " " + w->txtPath->text(), shown);
        QCOMPARE(host.warnings, warnings);
        QCOMPARE(w->lblStatus->text() + " " + QString::number(w->Timer1->isActive() ? w->Timer1->interval() : 0), IdleCaption + " 1500");
        QTest::keyClicks(w->txtFolder, "clienti\\Lotto7");
        QCOMPARE(s.OutFolder + " " + w->txtPath->text(), "clienti\\Lotto7 " + shown.section(' ', 2) + Native("/clienti/Lotto7"));
    }

    // Files dragged from the file manager: status 1 first, then the files in order up to the cap.
    // Anything but local files, or files offered for a move only, change nothing at all.
    void filesArrive_data()
    {
        QTest::addColumn<QMimeData*>("data");
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("listed");   // with the one already there
        const auto files = [](int count) {
            QStringList paths;
            for (int i = 1; i <= count; ++i)
                paths << QString("/Disegni/pezzo%1.dxf").arg(i);
            return FileData(paths);
        };
        auto* text = new QMimeData;
        text->setText("/Disegni/pezzo1.dxf");
        QMimeData* web = files(1);
        web->setUrls(web->urls() << QUrl("https://www.kivra.example/a.dxf"));
        const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
        QTest::newRow("five onto a cap of 3") << files(5) << copyOrMove << 3 << 3;
        QTest::newRow("no cap but the list's own") << files(32770) << copyOrMove << -1 << 32767;
        QTest::newRow("text") << text << copyOrMove << 3 << 1;
        QTest::newRow("file and web link") << web << copyOrMove << 3 << 1;
        QTest::newRow("move only") << files(1) << int(Qt::MoveAction) << 3 << 1;
    }
    void filesArrive()
    {
        QFETCH(QMimeData*, data);
        QFETCH(int, actions);
        QFETCH(int, cap);
        QFETCH(int, listed);
        const auto w = start("MaxNumberFiles=" + QByteArray::number(cap));
        w->ListV->addPaths({"pezzo0.dxf"});
        QStringList expected{"pezzo0.dxf"};
        for (const QUrl& url : data->urls().mid(0, listed - 1))
            expected << Native(url.toLocalFile());
        QCOMPARE(DragAndDrop(*w, data, Qt::DropActions(actions)), listed > 1 ? Qt::CopyAction : Qt::IgnoreAction);
        QCOMPARE(w->lblStatus->text(), listed > 1 ? "Preparazione della lista" : IdleCaption);
        QCOMPARE(w->ListV->paths(), expected);
    }

    // Without a mouse: Ctrl+V after a copy in the file manager, trim with Shift and Canc, send with
    // Enter, and the focus comes back to Converti. "Azzera lista" then empties the list and forgets
    // the request: its marks move nothing any more.
    void keyboardOnlyThenReset()
    {
        const auto w = start("MaxNumberFiles=-1");
        QGuiApplication::clipboard()->setMimeData(FileData({"a", "b", "c", "d"}));
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->ListV->setFocus();
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(w->windowHandle(), k, m); };
        key(Qt::Key_V, Qt::ControlModifier), key(Qt::Key_Down), key(Qt::Key_Down), key(Qt::Key_Down, Qt::ShiftModifier);
        key(Qt::Key_Delete);
        QCOMPARE(w->ListV->paths(), (QStringList{"a", "d"}));
        key(Qt::Key_Tab), key(Qt::Key_Return);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), "DXFDWG=DXF\r\na\r\nd\r\n");
        QCOMPARE(QApplication::focusWidget(), w->CmdOut);
        SetStatus(w->lblStatus, 4);   // a screen reader tells the status by its caption
        QCOMPARE(QAccessible::queryAccessibleInterface(w->lblStatus)->text(QAccessible::Name), "File convertiti.");
        w->cmdReset->click();
        WriteBytes(m_jobs + "/Z_45678.wip", "");
        host.fileCalls = 0;
        QSignalSpy ticks(w->Timer1, &QTimer::timeout);
        w->Timer1->start(10);
        QTRY_VERIFY(ticks.size() >= 2);
        QCOMPARE(w->lblStatus->text() + QString::number(w->ListV->count()) + QString::number(host.fileCalls), IdleCaption + "00");
    }

    // Closing while a share hangs: a write that is out is waited for briefly and its end told, or
    // one warning says the request may not have gone; a look that is out is not waited for.
    void closing_data()
    {
        QTest::addColumn<QByteArray>("waiting");   // a job of the same name already there
        QTest::addColumn<bool>("writeHangs");
        QTest::addColumn<QString>("warning");
        QTest::newRow("write hangs") << QByteArray() << true
                                     << "La richiesta Z_45678 potrebbe non essere stata inviata: la cartella condivisa non risponde.";
        QTest::newRow("write refused in time") << QByteArray("x") << false << "Richiesta non inviata: la richiesta Z_45678 "
            "precedente non è ancora stata presa in carico dal server. Riprovare tra qualche secondo.";
        QTest::newRow("look hangs") << QByteArray() << false << "";
    }
    void closing()
    {
        QFETCH(QByteArray, waiting);
        QFETCH(bool, writeHangs);
        QFETCH(QString, warning);
        const auto w = start("");
        w->show();
        if (!waiting.isNull())
            WriteBytes(m_jobs + "/Z_45678.job", waiting);
        w->ListV->addPaths({"a"});
        std::unique_lock hung(host.gate, std::defer_lock);
        if (writeHangs || !waiting.isNull())
            hung.lock();
        w->CmdOut->click();
        if (!writeHangs) {
            if (waiting.isNull()) {
                QTRY_VERIFY(w->CmdOut->isEnabled());
                hung.lock();
                w->Timer1->setInterval(10);
                QTRY_VERIFY(!w->idle());   // the look is out, waiting on the share
            } else {
                QTimer::singleShot(200, [&] { hung.unlock(); });
            }
        }
        QVERIFY(w->close());
        QCOMPARE(host.warnings, warning.isEmpty() ? QStringList{} : QStringList{warning});
        if (hung.owns_lock())
            hung.unlock();
    }

    // A user in another window is told once when the request is done, or when its job could not
    // go; a user in the window is not.
    void toldWhenElsewhere()
    {
        const auto w = start("");
        w->ListV->addPaths({"a"});
        const auto done = [&] {
            w->CmdOut->click();
            QTRY_VERIFY(w->CmdOut->isEnabled());
            WriteBytes(m_out + "/Z_" + QString::number(host.time) + ".log", "");
            w->Timer1->setInterval(10);
            QTRY_COMPARE(w->lblStatus->text(), "File convertiti.");
            QTest::qWait(50);   // more ticks, the same status
        };
        done();
        QCOMPARE(host.told, (QStringList{"attention", "KIVRA_Client: File convertiti.\n" + Native(m_out)}));
        w->ListV->addPaths({"b"});
        w->CmdOut->click();   // another job in the same second: the first is waiting
        QTRY_COMPARE(w->lblStatus->text(), "File convertiti.");   // the first request again
        QCOMPARE(host.told.mid(2), (QStringList{"attention", "KIVRA_Client: " + host.warnings.last()}));
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        host.told.clear();
        ++host.time;
        done();
        QCOMPARE(host.told, QStringList{});
    }

    // "Apri cartella" opens the folder "Percorso" shows, and is greyed while that folder is not
    // there or its share does not answer.
    void openFolder()
    {
        const auto w = start("");
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QAction* open = w->lblStatus->actions().value(0);
        QCOMPARE(open->text() + " " + open->shortcut().toString(), "Apri cartella Ctrl+Shift+O");
        QTRY_VERIFY(open->isEnabled());
        QTest::keyClick(w->windowHandle(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClicks(w->txtFolder, "Lotto7");
        QTRY_VERIFY(!open->isEnabled());
        QTest::keyClick(w->windowHandle(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        std::unique_lock hung(host.gate);
        QDir().mkpath(m_out + "/Lotto7");
        QTest::keyClick(w->txtFolder, Qt::Key_Backspace);
        QTest::keyClicks(w->txtFolder, "7");
        QTest::qWait(100);
        QVERIFY(!open->isEnabled() && !w->idle());
        hung.unlock();
        QTRY_VERIFY(open->isEnabled());
        open->trigger();
        QCOMPARE(host.opened, (QStringList{Native(m_out), Native(m_out) + "\\Lotto7"}));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
