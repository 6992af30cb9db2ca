#include "Window.h"
#include "platform/CodePage.h"
#include "request/Status.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

class TestWindow : public WindowFixture {
    Q_OBJECT

private slots:
    void cleanup() { host.hold(false); }   // a failed check must not leave the share hung

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("dxf in lower case") << QByteArray("DXFDWGmode=dxf") << "DXF" << "3" << QStringList{};
        QTest::newRow("Dwg, no limit") << QByteArray("DXFDWGmode=Dwg\r\nMaxNumberFiles=-1") << "DWG" << "-1" << QStringList{};
        QTest::newRow("warnings in order") << QByteArray("KeepLog=forse\r\nMaxNumberFiles=x") << "DXF" << "3"
            << QStringList{"Valore KeepLog non riconosciuto: forse", "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("no settings file") << QByteArray() << "DXF" << "3"
            << QStringList{m_tmp.filePath("programma/kivra_client.ini non esiste")};
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, mode);
        QFETCH(QString, max);
        QFETCH(QStringList, warnings);
        s.OutFolder = "left from before";
        const auto w = start(ini);
        QCOMPARE(host.warnings, warnings);
        QCOMPARE(s.DXFDWGmode, mode);
        QCOMPARE(w->OptDXF->isChecked() ? "DXF" : w->OptDWG->isChecked() ? "DWG" : "", mode);
        QCOMPARE(w->txtMaxDrawings->text(), max);
        QCOMPARE(w->lblStatus->text() + w->lblStatus->palette().color(QPalette::Window).name(), IdleCaption + "#ffffff");
        QCOMPARE(w->windowTitle(), "KIVRA_Client - " + IdleCaption);
        QCOMPARE(w->Timer1->isActive() * w->Timer1->interval(), 1500);
        // "Percorso": where the files will be, in the host's own form.
        const QString root = ini.isNull() ? "/mnt/y/Richieste" : out();
        QCOMPARE(w->txtPath->text(), root);
        QTest::keyClicks(w->txtFolder, "clienti\\Lotto7");
        QCOMPARE(s.OutFolder + " " + w->txtPath->text(), "clienti\\Lotto7 " + root + "/clienti/Lotto7");
    }

    // Files come by a drag from the file manager or by Ctrl+V after a copy there, on one road:
    // status 1 first, the cap, the order, and the paths into the job as the desktop gave them.
    void filesArrive_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QByteArray>("cap");
        QTest::addColumn<int>("already");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("listed");
        for (const bool paste : {false, true}) {
            const char* way = paste ? "paste" : "drop";
            QTest::addRow("%s: five onto a cap of 3", way) << paste << QByteArray("3") << 0 << 5 << 3;
            QTest::addRow("%s: one onto a full list", way) << paste << QByteArray("3") << 3 << 1 << 3;
            QTest::addRow("%s: cap 0", way) << paste << QByteArray("0") << 0 << 2 << 0;
            QTest::addRow("%s: negative cap, the list's own", way) << paste << QByteArray("-1") << 2 << 32770 << 32767;
        }
    }
    void filesArrive()
    {
        QFETCH(bool, paste);
        QFETCH(QByteArray, cap);
        QFETCH(int, already);
        QFETCH(int, added);
        QFETCH(int, listed);
        const auto w = start("MaxNumberFiles=" + cap);
        const QStringList files = drawings(qMax(already, added));
        if (already)
            QCOMPARE(DragAndDrop(*w, FileData(files.mid(0, already))), Qt::CopyAction);
        SetStatus(w->lblStatus, 0);
        if (paste)
            QVERIFY(Paste(*w, FileData(files.mid(0, added))));
        else
            QCOMPARE(DragAndDrop(*w, FileData(files.mid(0, added))), Qt::CopyAction);
        QCOMPARE(w->lblStatus->text(), "Preparazione della lista");
        const QStringList expected = (files.mid(0, already) + files.mid(0, added)).mid(0, listed);
        QCOMPARE(w->ListV->paths(), expected);
        if (listed > 3)
            return;
        w->CmdOut->click();
        QTRY_VERIFY(w->CmdOut->isEnabled());
        if (listed)
            QCOMPARE(ReadBytes(jobs() + "/Z_45678.job"), "DXFDWG=DXF\r\n" + *EncodeAnsi(expected.join("\r\n") + "\r\n"));
        QFile::remove(jobs() + "/Z_45678.job");
    }

    // Anything but local files, dragged or pasted, changes nothing at all.
    void otherDataIsRefused_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("actions");
        for (const bool paste : {false, true})
            for (const char* kind : {"text", "web link", "file and web link"})
                QTest::addRow("%s: %s", paste ? "paste" : "drop", kind) << paste << kind << int(Qt::CopyAction);
        QTest::newRow("paste: empty clipboard") << true << "none" << int(Qt::CopyAction);
        QTest::newRow("drop: file, move only") << false << "file" << int(Qt::MoveAction);
        QTest::newRow("drop: file, link only") << false << "file" << int(Qt::LinkAction);
    }
    void otherDataIsRefused()
    {
        QFETCH(bool, paste);
        QFETCH(QString, kind);
        QFETCH(int, actions);
        const auto w = start();
        const QUrl file = QUrl::fromLocalFile(drawings(1)[0]), web("https://www.kivra.example/a.dxf");
        auto* data = kind == "none" ? nullptr : new QMimeData;
        if (kind == "text") data->setText(file.toLocalFile());
        if (kind == "web link") data->setUrls({web});
        if (kind == "file and web link") data->setUrls({file, web});
        if (kind == "file") data->setUrls({file});
        if (paste)
            QVERIFY(Paste(*w, data));
        else
            QCOMPARE(DragAndDrop(*w, data, Qt::DropActions(actions)), Qt::IgnoreAction);
        QCOMPARE(w->lblStatus->text() + QString::number(w->ListV->count()), IdleCaption + "0");
    }

    // From start-up without a mouse: paste, trim with Shift and Canc, Tab through the window in
    // its order, send with Enter; the menu key offers the list's actions in Italian.
    void keyboardOnly()
    {
        const auto w = start("MaxNumberFiles=-1");
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(QApplication::focusWidget(), w->ListV);
        QStringList order;
        for (QWidget* next = w->ListV; order.size() < 8; next = next->nextInFocusChain())
            if (next->focusPolicy() & Qt::TabFocus)
                order << next->objectName();
        QCOMPARE(order, (QStringList{"ListV", "CmdOut", "OptDXF", "OptDWG", "txtFolder", "cmdAbort", "cmdReset", "ListV"}));

        const QStringList files = drawings(4);
        QVERIFY(Paste(*w, FileData(files)));
        SetStatus(w->lblStatus, 2);
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(w->windowHandle(), k, m); };
        key(Qt::Key_Down), key(Qt::Key_Down), key(Qt::Key_Down, Qt::ShiftModifier), key(Qt::Key_Delete);
        QCOMPARE(w->ListV->paths(), (QStringList{files[0], files[3]}));
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");   // removing is no news

        key(Qt::Key_Tab), key(Qt::Key_Return);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QVERIFY(QFile::exists(jobs() + "/Z_45678.job"));
        QCOMPARE(QApplication::focusWidget(), w->CmdOut);   // back for the next request

        key(Qt::Key_Tab, Qt::ShiftModifier);
        QStringList menu;
        QTimer::singleShot(0, [&] {
            if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (const QAction* action : popup->actions())
                    menu << action->text() + (action->isEnabled() ? "" : " (off)");
                popup->close();
            }
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {}, {});   // what the platform makes of it
        QApplication::sendEvent(w->ListV, &menuKey);
        QCOMPARE(menu, (QStringList{"Incolla", "Rimuovi (off)"}));
    }

    // A share that stops answering never stops the window: ticks and writes wait on a worker,
    // one tick at a time, and what comes back late is applied only to its own request.
    void aHungShareNeverStopsTheWindow()
    {
        auto w = start();
        w->Timer1->setInterval(20);
        int events = 0;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] { ++events; });
        probe.start(10);
        const auto send = [&](int time) {
            DragAndDrop(*w, FileData(drawings(1)));
            host.time = time;
            w->CmdOut->click();
        };
        send(45678);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        host.hold(true);
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTRY_COMPARE(host.waiting(), 1);
        events = 0;
        QTest::qWait(300);   // some fifteen timer ticks
        QVERIFY2(events >= 10 && host.waiting() == 1, qPrintable(QString::number(events)));

        // A reset and a new request while that tick is held: its late result, the old .wip,
        // must not show the new request as in progress.
        w->cmdReset->click();
        send(45679);
        QTRY_COMPARE(host.waiting(), 2);   // the tick and the write
        QVERIFY(!w->CmdOut->isEnabled());
        host.hold(false);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QTest::qWait(200);
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");

        // A held write that fails: its warning always, status 1 unless a reset came first.
        QVERIFY(QDir(jobs()).removeRecursively());
        for (const bool reset : {false, true}) {
            host.warnings.clear();
            host.hold(true);
            send(45680 + reset);
            QTRY_COMPARE(host.waiting(), 1);
            if (reset)
                w->cmdReset->click();
            host.hold(false);
            QTRY_VERIFY(w->CmdOut->isEnabled());
            QCOMPARE(host.warnings.size(), 1);
            QCOMPARE(w->lblStatus->text(), reset ? IdleCaption : "Preparazione della lista");
        }
        // Closing during a write closes at once; the write still ends whole.
        QVERIFY(QDir().mkpath(jobs()));
        host.hold(true);
        send(45690);
        QTRY_COMPARE(host.waiting(), 1);
        w->cmdAbort->click();
        QVERIFY(!w->isVisible());
        w.reset();
        host.hold(false);
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{"Z_45690.job"});
    }

    // The box: title, no icon, one button, at most 2,000 characters, a child of the window.
    void warningBox()
    {
        start();   // its settings file
        Host realHost;
        frmClient w(s, realHost, Native(m_tmp.filePath("programma")));
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            seen = box->windowTitle() + QString::number(box->icon()) + QString::number(box->buttons().size())
                + QString::number(box->text().size()) + (box->parentWidget() == &w ? " child" : "");
            box->button(QMessageBox::Ok)->click();
        });
        realHost.showWarning(QString(1 << 20, 'x'));
        QCOMPARE(seen, "ATTENZIONE!012001 child");
    }

    // What a screen reader says: a name, the tooltip as description, the status field's caption
    // labelled "Stato della richiesta:"; and Qt's own texts in Italian.
    void accessibleNames()
    {
        const auto w = start();
        const auto said = [](QWidget* widget, QAccessible::Text what) { return QAccessible::queryAccessibleInterface(widget)->text(what); };
        for (QWidget* control : std::initializer_list<QWidget*>{w->ListV, w->CmdOut, w->OptDXF, w->OptDWG, w->txtFolder,
                                                               w->cmdAbort, w->cmdReset, w->txtPath, w->txtMaxDrawings, w->lblStatus}) {
            QVERIFY2(!said(control, QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
            QCOMPARE(said(control, QAccessible::Description), control->toolTip());
        }
        SetStatus(w->lblStatus, 4);
        QCOMPARE(said(w->lblStatus, QAccessible::Name), "File convertiti.");
        const auto labels = QAccessible::queryAccessibleInterface(w->lblStatus)->relations(QAccessible::Label);
        QCOMPARE(labels.value(0).first->object(), w->Label5);
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), "&Incolla");
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
