#include "DragDrop.h"
#include "WindowFixture.h"
#include "platform/CodePage.h"
#include "request/Status.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QAccessible>
#include <QtTest>

#include <memory>

class TestWindow : public WindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { makeFolders(); }
    void init() { resetHost(); }

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("dxf in lower case") << QByteArray("DXFDWGmode=dxf") << "DXF" << "3" << QStringList{};
        QTest::newRow("Dwg") << QByteArray("DXFDWGmode=Dwg\r\nMaxNumberFiles=12") << "DWG" << "12" << QStringList{};
        QTest::newRow("no limit") << QByteArray("MaxNumberFiles=-1") << "DXF" << "-1" << QStringList{};
        QTest::newRow("warnings in order")
            << QByteArray("KeepLog=forse\r\nDXFDWGmode=PDF\r\nMaxNumberFiles=x") << "DXF" << "3"
            << QStringList{"Valore KeepLog non riconosciuto: forse",
                           "Valore DXFDWGmode non riconosciuto: PDF",
                           "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("no settings file") << QByteArray() << "DXF" << "3"
                                          << QStringList{programDir() + "/kivra_client.ini non esiste"};
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
        QCOMPARE(w->OptDXF->isChecked(), mode == "DXF");
        QCOMPARE(w->OptDWG->isChecked(), mode == "DWG");
        QCOMPARE(w->txtMaxDrawings->text(), max);
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        QCOMPARE(colour(*w), "#ffffff");
        QCOMPARE(s.OutFolder, QString());
        QCOMPARE(w->txtPath->text(), ini.isNull() ? "/mnt/y/Richieste" : out());   // the host's own form
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 1500);
        QCOMPARE(w->windowTitle(), "KIVRA_Client - " + IdleCaption);
    }

    void outputFolderFollowsTyping()
    {
        const auto w = start();
        QTest::keyClick(w->txtFolder, Qt::Key_A);
        QTest::keyClick(w->txtFolder, Qt::Key_Backspace);
        QCOMPARE(w->txtPath->text(), out() + "/");
        QTest::keyClicks(w->txtFolder, "clienti\\Lotto7");
        QCOMPARE(w->txtPath->text(), out() + "/clienti/Lotto7");
        QCOMPARE(s.OutFolder, "clienti\\Lotto7");
        QVERIFY(w->txtPath->isReadOnly());
        QVERIFY(w->txtMaxDrawings->isReadOnly());
    }

    // Files arrive by a drag from the file manager, or by Ctrl+V after a copy there: one rule for
    // both (local files only, status 1 first, the cap, the order, the path form).
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
            QTest::addRow("%s: negative cap, no limit", way) << paste << QByteArray("-1") << 2 << 5 << 7;
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
            QCOMPARE(dragAndDrop(*w, fileData(files.mid(0, already))), Qt::CopyAction);
        SetStatus(w->lblStatus, 0);
        if (paste)
            QVERIFY(pasteInto(*w, fileData(files.mid(0, added))));
        else
            QCOMPARE(dragAndDrop(*w, fileData(files.mid(0, added))), Qt::CopyAction);
        QCOMPARE(w->lblStatus->text(), "Preparazione della lista");
        QCOMPARE(colour(*w), "#ff0000");
        const QStringList expected = (files.mid(0, already) + files.mid(0, added)).mid(0, listed);
        QCOMPARE(w->ListV->paths(), expected);
    }

    // Anything but local files, dragged or pasted, changes nothing at all.
    void otherDataIsRefused_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("actions");
        for (const bool paste : {false, true}) {
            const char* way = paste ? "paste" : "drop";
            QTest::addRow("%s: text", way) << paste << "text" << int(Qt::CopyAction);
            QTest::addRow("%s: web link", way) << paste << "web" << int(Qt::CopyAction);
            QTest::addRow("%s: file and web link", way) << paste << "mixed" << int(Qt::CopyAction);
        }
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
        auto* data = new QMimeData;
        const QUrl file = QUrl::fromLocalFile(drawings(1)[0]), web("https://www.kivra.example/a.dxf");
        if (kind == "text") data->setText(file.toLocalFile());
        if (kind == "web") data->setUrls({web});
        if (kind == "mixed") data->setUrls({file, web});
        if (kind == "file") data->setUrls({file});
        if (kind == "none") {
            delete data;
            data = nullptr;
        }
        if (paste) {
            QVERIFY(pasteInto(*w, data));
        } else {
            QCOMPARE(dragAndDrop(*w, data, Qt::DropActions(actions)), Qt::IgnoreAction);
            if (kind == "file")
                return;   // the desktop sends no drop after a refused drag
        }
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        QCOMPARE(w->ListV->count(), 0);
    }

    // From start-up, without a mouse: paste, trim with Shift and Canc, send with Enter; the
    // menu key offers the same actions in Italian.
    void keyboardOnly()
    {
        const auto w = start("MaxNumberFiles=-1");
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(QApplication::focusWidget(), w->ListV);
        const QStringList files = drawings(4);
        QGuiApplication::clipboard()->setMimeData(fileData(files));
        QTest::keyClick(w->windowHandle(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->ListV->count(), 4);

        SetStatus(w->lblStatus, 2);
        for (int i = 0; i < 2; ++i)   // to the second drawing, then the third with Shift
            QTest::keyClick(w->windowHandle(), Qt::Key_Down);
        QTest::keyClick(w->windowHandle(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(w->windowHandle(), Qt::Key_Delete);
        QCOMPARE(w->ListV->paths(), (QStringList{files[0], files[3]}));
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");   // removing is no news

        QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->CmdOut);
        QTest::keyClick(w->windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QVERIFY(QFile::exists(jobs() + "/Z_45678.job"));
        QCOMPARE(QApplication::focusWidget(), w->CmdOut);    // still there for the next request

        QTest::keyClick(w->windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
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
        QCOMPARE(menu, (QStringList{"Incolla", "Rimuovi (off)"}));   // nothing selected
    }

    void theWholeRoadOfOneRequest()
    {
        const auto w = start("MaxNumberFiles=3");
        const QStringList files = drawings(2);
        QCOMPARE(dragAndDrop(*w, fileData(files)), Qt::CopyAction);
        QTest::keyClicks(w->txtFolder, "Lotto7");
        QTest::mouseClick(w->OptDWG, Qt::LeftButton);
        QCOMPARE(s.DXFDWGmode, "DWG");
        QTest::mouseClick(w->CmdOut, Qt::LeftButton);
        QTRY_VERIFY(w->CmdOut->isEnabled());

        QCOMPARE(ReadBytes(jobs() + "/Z_45678.job"),
                 "OUTDIR=Lotto7\r\nDXFDWG=DWG\r\n" + Native(files[0]).toUtf8() + "\r\n"
                     + Native(files[1]).toUtf8() + "\r\n");
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");
        QCOMPARE(colour(*w), "#ffff00");

        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTRY_COMPARE_WITH_TIMEOUT(w->lblStatus->text(), "Conversione in corso...", 3000);
        QCOMPARE(colour(*w), "#00ffff");

        QFile::remove(jobs() + "/Z_45678.wip");
        WriteBytes(out() + "/Lotto7/Z_45678.log", "OK");
        QTRY_COMPARE_WITH_TIMEOUT(w->lblStatus->text(), "File convertiti.", 3000);
        QCOMPARE(colour(*w), "#00ff00");

        QTest::mouseClick(w->cmdReset, Qt::LeftButton);
        QCOMPARE(w->ListV->count(), 0);
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        // The earlier request's marks are no longer watched.
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTest::qWait(1700);
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        QFile::remove(out() + "/Lotto7/Z_45678.log");
    }

    // A share that stops answering never stops the window: ticks and writes wait on a worker,
    // one tick at a time, and what comes back late is applied only to its own request.
    void aHungShareNeverStopsTheWindow()
    {
        auto w = start("MaxNumberFiles=3");
        w->Timer1->setInterval(20);
        int events = 0;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] { ++events; });
        probe.start(10);
        const auto send = [&](int time) {
            QCOMPARE(dragAndDrop(*w, fileData(drawings(1))), Qt::CopyAction);
            host.time = time;
            QTest::mouseClick(w->CmdOut, Qt::LeftButton);
            QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");
        };
        send(45678);
        QTRY_VERIFY(w->CmdOut->isEnabled());

        host.hold();
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTRY_COMPARE(host.waiting(), 1);
        events = 0;
        QTest::qWait(300);   // some fifteen timer ticks
        QVERIFY2(events >= 10, qPrintable(QString::number(events)));
        QCOMPARE(host.waiting(), 1);
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");

        // A reset and a new request while that tick is held: it saw the old .wip, and its late
        // result must not show the new request as in progress.
        QTest::mouseClick(w->cmdReset, Qt::LeftButton);
        QCOMPARE(w->lblStatus->text(), IdleCaption);
        send(45679);
        QVERIFY(!w->CmdOut->isEnabled());
        QTRY_COMPARE(host.waiting(), 2);   // the tick and the write
        events = 0;
        QTest::qWait(100);
        QVERIFY(events >= 5);
        host.release();
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QTest::qWait(200);
        QCOMPARE(w->lblStatus->text(), "Richiesta inviata al server");
        QVERIFY(QFile::exists(jobs() + "/Z_45679.job"));

        // A held write that fails: its warning always, status 1 unless a reset came first.
        QVERIFY(QDir(jobs()).removeRecursively());
        for (const bool reset : {false, true}) {
            host.warnings.clear();
            host.hold();
            send(45680 + reset);
            QTRY_COMPARE(host.waiting(), 1);
            if (reset)
                QTest::mouseClick(w->cmdReset, Qt::LeftButton);
            host.release();
            QTRY_VERIFY(w->CmdOut->isEnabled());
            QCOMPARE(host.warnings.size(), 1);
            QVERIFY(host.warnings[0].startsWith("Impossibile scrivere il file "));
            QCOMPARE(w->lblStatus->text(), reset ? IdleCaption : "Preparazione della lista");
        }
        QVERIFY(QDir().mkpath(jobs()));

        // Closing during a write closes at once; the write still ends whole.
        host.hold();
        send(45690);
        QTRY_COMPARE(host.waiting(), 1);
        QTest::mouseClick(w->cmdAbort, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        w.reset();
        host.release();
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{"Z_45690.job"});
    }

    void focusOrder()
    {
        const auto w = start();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(QApplication::focusWidget(), w->ListV);
        QStringList order{w->ListV->objectName()};
        for (QWidget* next = w->ListV->nextInFocusChain(); next != w->ListV;
             next = next->nextInFocusChain())
            if (next->focusPolicy() & Qt::TabFocus)
                order << next->objectName();
        QCOMPARE(order, (QStringList{"ListV", "CmdOut", "OptDXF", "OptDWG", "txtFolder",
                                     "cmdAbort", "cmdReset"}));
        QTest::mouseClick(w->cmdAbort, Qt::LeftButton);
        QVERIFY(!w->isVisible());
    }

    void layout()
    {
        const auto w = start();
        QCOMPARE(w->minimumSize(), QSize(604, 282));
        QCOMPARE(w->maximumSize(), QSize(604, 282));
        QCOMPARE(w->Label6->geometry(), QRect(224, 16, 145, 17));
        QCOMPARE(w->lblStatus->geometry(), QRect(408, 32, 185, 13));
        QCOMPARE(w->ListV->geometry(), QRect(8, 56, 585, 129));
        QCOMPARE(w->OptDWG->parentWidget(), w->Frame1);
        QCOMPARE(w->OptDWG->geometry(), QRect(24, 32, 65, 25));
        QCOMPARE(w->CmdOut->geometry(), QRect(520, 232, 73, 25));
        QCOMPARE(w->ListV->model()->headerData(0, Qt::Horizontal).toString(), "Files");
        QCOMPARE(w->ListV->columnWidth(0), 567);
        QCOMPARE(w->findChild<QLabel*>("Label2")->text(), "Elenco dei file da convertire");
    }

    // No caption, label or status text is cut at the fixed geometry.
    void everyTextFits()
    {
        const auto w = start();
        QVERIFY2(QFontInfo(w->font()).family() == "Liberation Sans"
                     || QFontInfo(w->font()).family() == "Arial",
                 qPrintable(QFontInfo(w->font()).family()));
        const QFontMetrics fm(w->font());
        const auto fits = [&](QWidget* widget, const QString& text, int room) {
            // The ink ends where the last glyph's ink ends, short of its advance.
            const int need = fm.horizontalAdvance(text) - qMax(0, fm.rightBearing(text.back()));
            QVERIFY2(need <= room && fm.height() <= widget->height(),
                     qPrintable(widget->objectName() + ": " + text + " needs "
                                + QString::number(need) + " of " + QString::number(room)));
        };
        for (QLabel* label : w->findChildren<QLabel*>())
            fits(label, label->text(), label->width());
        for (int code = 0; code <= 5; ++code) {
            SetStatus(w->lblStatus, code);
            fits(w->lblStatus, w->lblStatus->text(), w->lblStatus->width());
        }
        const int frame = w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w->CmdOut);
        for (QPushButton* button : w->findChildren<QPushButton*>())
            fits(button, button->text(), button->width() - frame);
        const int indicator =
            w->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w->OptDXF)
            + w->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w->OptDXF);
        for (QRadioButton* option : w->findChildren<QRadioButton*>())
            fits(option, option->text(), option->width() - indicator);
        fits(w->Frame1, w->Frame1->title(), w->Frame1->width() - 16);
    }

    // What a screen reader says of each control: its name, its tooltip as the description, and
    // for the status field its caption, labelled by "Stato della richiesta:". Qt's own texts
    // (context menus, standard buttons) are Italian.
    void accessibleNames()
    {
        const auto w = start();
        const auto said = [](QWidget* widget, QAccessible::Text what) {
            return QAccessible::queryAccessibleInterface(widget)->text(what);
        };
        for (QWidget* control : std::initializer_list<QWidget*>{
                 w->ListV, w->CmdOut, w->OptDXF, w->OptDWG, w->txtFolder, w->cmdAbort,
                 w->cmdReset, w->txtPath, w->txtMaxDrawings, w->lblStatus}) {
            QVERIFY2(!said(control, QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!control->toolTip().isEmpty(), qPrintable(control->objectName()));
            QCOMPARE(said(control, QAccessible::Description), control->toolTip());
        }
        for (const StatusCode code : {0, 1, 4}) {
            SetStatus(w->lblStatus, code);
            QCOMPARE(said(w->lblStatus, QAccessible::Name), w->lblStatus->text());
        }
        const auto labels = QAccessible::queryAccessibleInterface(w->lblStatus)->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].first->object(), w->Label5);
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), "&Incolla");
    }

    // Whatever the desktop drops is either sent exactly or refused with its warning.
    void hostileDrops_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("warning");
        QTest::newRow("4000 characters") << "/srv/" + QString(3995, 'a') << "";
        QTest::newRow("dot-dot") << "/srv/a/../../b.dxf" << "";
        QTest::newRow("leading blanks") << "/srv/  pezzo.dxf" << "";
        QTest::newRow("code page") << "/srv/Città/€.dxf" << "";
        QTest::newRow("line feed") << "/srv/a\nDXFDWG=DWG" << "Percorso non valido: ";
        QTest::newRow("carriage return") << "/srv/a\rb.dxf" << "Percorso non valido: ";
        QTest::newRow("outside the code page") << "/srv/\u56FE.dxf" << "Carattere non rappresentabile in: ";
    }
    void hostileDrops()
    {
        QFETCH(QString, path);
        QFETCH(QString, warning);
        path.replace("\\n", "\n").replace("\\r", "\r").replace("\\u56FE", QString(QChar(0x56FE)));
        const auto w = start("MaxNumberFiles=-1");
        QCOMPARE(dragAndDrop(*w, fileData({path})), Qt::CopyAction);
        QCOMPARE(w->ListV->paths(), QStringList{path});
        QTest::mouseClick(w->CmdOut, Qt::LeftButton);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        if (warning.isEmpty()) {
            QCOMPARE(host.warnings, QStringList{});
            const QString job = QString::fromLatin1(ReadBytes(jobs() + "/Z_45678.job"));
            QCOMPARE(job, QString("DXFDWG=DXF\r\n") + QString::fromLatin1(EncodeAnsi(path).value()) + "\r\n");
        } else {
            QCOMPARE(host.warnings, QStringList{warning + path});
            QCOMPARE(QDir(jobs()).entryList(QDir::Files), QStringList{});
            QCOMPARE(w->lblStatus->text(), "Preparazione della lista");
        }
    }

    // The box says the whole warning, short of megabytes of a damaged settings value, over the
    // window it belongs to.
    void warningBox()
    {
        Host realHost;
        SettingsRecord settings;
        WriteBytes(programDir() + "/kivra_client.ini", "MaxNumberFiles=3\r\n");
        frmClient w(settings, realHost, Native(programDir()));
        w.show();
        QString shown, title;
        int buttons = 0;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = int(box->buttons().size());
            parent = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        realHost.showWarning("Valore KeepLog non riconosciuto: " + QString(1 << 20, 'x'));
        QCOMPARE(title, "ATTENZIONE!");
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, 1);
        QCOMPARE(shown.size(), 2001);
        QVERIFY(shown.startsWith("Valore KeepLog non riconosciuto: xxx"));
        QCOMPARE(parent, &w);
    }

    void screenshots()
    {
        const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(shots);
        const auto w = start("MaxNumberFiles=3");
        w->show();
        QVERIFY(w->grab().save(shots + "/window-start.png"));
        QCOMPARE(dragAndDrop(*w, fileData(drawings(2))), Qt::CopyAction);
        QTest::keyClicks(w->txtFolder, "Lotto7");
        QTest::mouseClick(w->OptDWG, Qt::LeftButton);
        QVERIFY(w->grab().save(shots + "/window-two-drawings.png"));
    }

    void aFullDropIsQuick()
    {
        const auto w = start("MaxNumberFiles=-1");
        QStringList files;
        for (int i = 0; i < DrawingList::Capacity + 10; ++i)
            files << QString("/srv/disegni/lotto/pezzo%1.dxf").arg(i);
        auto* data = fileData(files);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dragAndDrop(*w, data), Qt::CopyAction);
        const qint64 ms = clock.elapsed();
        qInfo("drop of %d paths: %lld ms", int(files.size()), ms);
        QCOMPARE(w->ListV->count(), DrawingList::Capacity);
        QVERIFY(ms < 2000);

        clock.restart();
        QTest::mouseClick(w->CmdOut, Qt::LeftButton);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        qInfo("Converti with %d drawings: %lld ms", DrawingList::Capacity, clock.elapsed());
        const QByteArray job = ReadBytes(jobs() + "/Z_45678.job");
        QCOMPARE(job.count("\r\n"), DrawingList::Capacity + 1);
        QVERIFY(job.endsWith("/srv/disegni/lotto/pezzo32766.dxf\r\n"));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
