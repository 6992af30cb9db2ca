#include "DragDrop.h"
#include "TestHost.h"
#include "platform/CodePage.h"
#include "request/Status.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    SettingsRecord s;
    TestHost host;

    QString programDir() const { return m_tmp.filePath("programma"); }
    QString jobs() const { return m_tmp.filePath("Richieste"); }
    QString out() const { return m_tmp.filePath("Uscita"); }

    // Starts the window on a settings file; a null file means none is there.
    std::unique_ptr<frmClient> start(const QByteArray& ini = "MaxNumberFiles=3")
    {
        QFile::remove(programDir() + "/kivra_client.ini");
        if (!ini.isNull()) {
            QByteArray text = "JobFileDir=" + Native(jobs()).toUtf8() + "\r\nDXFOutDirRoot="
                              + Native(out()).toUtf8() + "\r\n" + ini;
            WriteBytes(programDir() + "/kivra_client.ini", text);
        }
        return std::make_unique<frmClient>(s, host, Native(programDir()));
    }

    QStringList drawings(int count) const
    {
        QStringList files;
        for (int i = 1; i <= count; ++i) {
            files << m_tmp.filePath(QString("Disegni/pezzo%1.dxf").arg(i));
            WriteBytes(files.last(), "0\nEOF\n");
        }
        return files;
    }

    static QString colour(const frmClient& w)
    {
        return w.lblStatus->palette().color(QPalette::Window).name();
    }

private slots:
    void initTestCase()
    {
        QDir().mkpath(programDir());
        QDir().mkpath(jobs());
        QDir().mkpath(out() + "/Lotto7");
        QDir().mkpath(m_tmp.filePath("Disegni"));
    }

    void init()
    {
        host.warnings.clear();
        host.time = 45678;
        for (const QString& f : QDir(jobs()).entryList(QDir::Files))
            QFile::remove(jobs() + "/" + f);
    }

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
                                          << QStringList{Native(programDir()) + "\\kivra_client.ini non esiste"};
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
        QCOMPARE(w->txtPath->text(), ini.isNull() ? "y:\\Richieste" : Native(out()));
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 1500);
        QCOMPARE(w->windowTitle(), "KIVRA_Client - " + IdleCaption);
    }

    void outputFolderFollowsTyping()
    {
        const auto w = start();
        QTest::keyClick(w->txtFolder, Qt::Key_A);
        QTest::keyClick(w->txtFolder, Qt::Key_Backspace);
        QCOMPARE(w->txtPath->text(), Native(out()) + "\\");
        QTest::keyClicks(w->txtFolder, "Lotto7");
        QCOMPARE(w->txtPath->text(), Native(out()) + "\\Lotto7");
        QCOMPARE(s.OutFolder, "Lotto7");
        QVERIFY(w->txtPath->isReadOnly());
        QVERIFY(w->txtMaxDrawings->isReadOnly());
    }

    void drops_data()
    {
        QTest::addColumn<QByteArray>("cap");
        QTest::addColumn<int>("already");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<int>("listed");
        QTest::newRow("five onto a cap of 3") << QByteArray("3") << 0 << 5 << 3;
        QTest::newRow("one onto a full list") << QByteArray("3") << 3 << 1 << 3;
        QTest::newRow("cap 0") << QByteArray("0") << 0 << 2 << 0;
        QTest::newRow("negative cap: no limit") << QByteArray("-1") << 2 << 5 << 7;
    }
    void drops()
    {
        QFETCH(QByteArray, cap);
        QFETCH(int, already);
        QFETCH(int, dropped);
        QFETCH(int, listed);
        const auto w = start("MaxNumberFiles=" + cap);
        const QStringList files = drawings(qMax(already, dropped));
        if (already)
            QCOMPARE(dragAndDrop(*w, fileData(files.mid(0, already))), Qt::CopyAction);
        SetStatus(w->lblStatus, 0);
        QCOMPARE(dragAndDrop(*w, fileData(files.mid(0, dropped))), Qt::CopyAction);
        QCOMPARE(w->lblStatus->text(), "Preparazione della lista");
        QCOMPARE(colour(*w), "#ff0000");
        const QStringList expected = (files.mid(0, already) + files.mid(0, dropped)).mid(0, listed);
        QCOMPARE(w->ListV->paths(), expected);
    }

    void refusedDrags_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("actions");
        QTest::newRow("text") << "text" << int(Qt::CopyAction);
        QTest::newRow("web link") << "web" << int(Qt::CopyAction);
        QTest::newRow("file and web link") << "mixed" << int(Qt::CopyAction);
        QTest::newRow("file, move only") << "file" << int(Qt::MoveAction);
        QTest::newRow("file, link only") << "file" << int(Qt::LinkAction);
    }
    void refusedDrags()
    {
        QFETCH(QString, kind);
        QFETCH(int, actions);
        const auto w = start();
        auto* data = new QMimeData;
        const QUrl file = QUrl::fromLocalFile(drawings(1)[0]), web("https://www.kivra.example/a.dxf");
        if (kind == "text") data->setText(file.toLocalFile());
        if (kind == "web") data->setUrls({web});
        if (kind == "mixed") data->setUrls({file, web});
        if (kind == "file") data->setUrls({file});
        QCOMPARE(dragAndDrop(*w, data, Qt::DropActions(actions)), Qt::IgnoreAction);
        if (kind != "file") {   // a drop of something else changes nothing at all
            QCOMPARE(w->lblStatus->text(), IdleCaption);
            QCOMPARE(w->ListV->count(), 0);
        }
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

    void accessibleNamesAndItalianToolkit()
    {
        const auto w = start();
        for (QWidget* control : std::initializer_list<QWidget*>{
                 w->ListV, w->CmdOut, w->OptDXF, w->OptDWG, w->txtFolder, w->cmdAbort,
                 w->cmdReset, w->txtPath, w->txtMaxDrawings, w->lblStatus}) {
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!control->toolTip().isEmpty(), qPrintable(control->objectName()));
            QCOMPARE(control->accessibleDescription(), control->toolTip());
        }
        QCOMPARE(w->CmdOut->toolTip(), "Invia la richiesta ai server");
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

    // The box says the whole warning, short of megabytes of a damaged settings value.
    void warningBox()
    {
        QString shown, title;
        int buttons = 0;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = int(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        ShowWarning("Valore KeepLog non riconosciuto: " + QString(1 << 20, 'x'));
        QCOMPARE(title, "ATTENZIONE!");
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, 1);
        QCOMPARE(shown.size(), 2001);
        QVERIFY(shown.startsWith("Valore KeepLog non riconosciuto: xxx"));
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
