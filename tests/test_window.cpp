#include "Window.h"
#include "request/Status.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

class TestWindow : public WindowFixture {
    Q_OBJECT

private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("shown");   // mode, cap, "Percorso", then the warnings
        QTest::newRow("settings file") << QByteArray("DXFDWGmode=dwg\r\nMaxNumberFiles=-1\r\nKeepLog=forse\r\nMaxNumberFiles=x")
            << "DWG -1 " + out() + "|Valore KeepLog non riconosciuto: forse|Errore convertendo MaxNumberFiles in Integer";
        QTest::newRow("none") << QByteArray() << "DXF 3 /mnt/y/Richieste|" + m_tmp.filePath("programma/kivra_client.ini non esiste");
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, shown);
        const auto w = start(ini);
        const QString root = w->txtPath->text();
        QCOMPARE(QStringList{(w->OptDWG->isChecked() ? "DWG " : w->OptDXF->isChecked() ? "DXF " : "") + w->txtMaxDrawings->text() + " " + root}
                     + host.warnings, shown.split('|'));
        QCOMPARE(w->lblStatus->text() + " " + QString::number(w->Timer1->isActive() * w->Timer1->interval()), IdleCaption + " 1500");
        QTest::keyClicks(w->txtFolder, "clienti\\Lotto7");
        QCOMPARE(s.OutFolder + " " + w->txtPath->text(), "clienti\\Lotto7 " + root + "/clienti/Lotto7");
    }

    // Files come by a drag from the file manager or by Ctrl+V after a copy there, on one road:
    // status 1 first, then the files in order up to the cap. Anything but local files, or files
    // offered for a move only, change nothing at all.
    void filesArrive_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QByteArray>("offered");   // f: a local file, w: a web link, t: text
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("listed");   // after the one already there; -1: refused
        const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
        for (const bool paste : {false, true}) {
            const char* way = paste ? "paste" : "drop";
            QTest::addRow("%s: five onto a cap of 3", way) << paste << QByteArray("fffff") << copyOrMove << 3 << 3;
            QTest::addRow("%s: no cap but the list's own", way) << paste << QByteArray(32770, 'f') << copyOrMove << -1 << 32767;
            for (const char* other : {"t", "w", "fw"})
                QTest::addRow("%s: %s", way, other) << paste << QByteArray(other) << copyOrMove << 3 << -1;
        }
        QTest::newRow("paste: empty clipboard") << true << QByteArray() << copyOrMove << 3 << -1;
        QTest::newRow("drop: move only") << false << QByteArray("f") << int(Qt::MoveAction) << 3 << -1;
        QTest::newRow("drop: link only") << false << QByteArray("f") << int(Qt::LinkAction) << 3 << -1;
    }
    void filesArrive()
    {
        QFETCH(bool, paste);
        QFETCH(QByteArray, offered);
        QFETCH(int, actions);
        QFETCH(int, cap);
        QFETCH(int, listed);
        const auto w = start("MaxNumberFiles=" + QByteArray::number(cap));
        w->ListV->addPaths({"pezzo0.dxf"});
        const QStringList files = drawings(int(offered.size()));
        QList<QUrl> urls;
        for (int i = 0; i < offered.size(); ++i)
            urls << (offered[i] == 'w' ? QUrl("https://www.kivra.example/a.dxf") : QUrl::fromLocalFile(files[i]));
        auto* data = offered.isEmpty() ? nullptr : new QMimeData;
        offered == "t" ? data->setText(files[0]) : data ? data->setUrls(urls) : void();
        if (paste)
            QVERIFY(Paste(*w, data));
        else
            QCOMPARE(DragAndDrop(*w, data, Qt::DropActions(actions)), listed < 0 ? Qt::IgnoreAction : Qt::CopyAction);
        QCOMPARE(w->lblStatus->text(), listed < 0 ? IdleCaption : "Preparazione della lista");
        QCOMPARE(w->ListV->paths(), QStringList{"pezzo0.dxf"} + files.mid(0, qMax(listed - 1, 0)));
    }

    // Without a mouse: paste, trim with Shift and Canc, send with Enter, and the focus comes back
    // to Converti; the menu key offers the list's actions in Italian.
    void keyboardOnly()
    {
        const auto w = start("MaxNumberFiles=-1");
        const QStringList files = drawings(4);
        QVERIFY(Paste(*w, FileData(files)));
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(w->windowHandle(), k, m); };
        key(Qt::Key_Down), key(Qt::Key_Down), key(Qt::Key_Down, Qt::ShiftModifier), key(Qt::Key_Delete);
        QCOMPARE(w->ListV->paths(), (QStringList{files[0], files[3]}));
        key(Qt::Key_Tab), key(Qt::Key_Return);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QCOMPARE(ReadBytes(jobs() + "/Z_45678.job"), ("DXFDWG=DXF\r\n" + files[0] + "\r\n" + files[3] + "\r\n").toUtf8());
        QCOMPARE(QApplication::focusWidget(), w->CmdOut);

        QStringList menu;
        QTimer::singleShot(0, [&] {
            for (const QAction* action : QApplication::activePopupWidget()->actions())
                menu << action->text() + (action->isEnabled() ? "" : " (off)");
            QApplication::activePopupWidget()->close();
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {}, {});   // what the platform makes of it
        QApplication::sendEvent(w->ListV, &menuKey);
        QCOMPARE(menu, (QStringList{"Incolla", "Rimuovi (off)"}));
        SetStatus(w->lblStatus, 4);   // a screen reader tells the status by its caption
        QCOMPARE(QAccessible::queryAccessibleInterface(w->lblStatus)->text(QAccessible::Name), "File convertiti.");
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
