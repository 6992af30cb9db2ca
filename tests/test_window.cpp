#include "Window.h"
#include "request/Status.h"
#include "settings/Settings.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

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
            WriteBytes(program + "/kivra_client.ini", "JobFileDir=" + m_jobs.toUtf8() + "\nDXFOutDirRoot=" + m_out.toUtf8() + "\n" + ini);
        host.warnings.clear();
        return std::make_unique<frmClient>(s, host, Native(program));
    }
    QList<QUrl> drawings(int count) const
    {
        QList<QUrl> urls;
        for (int i = 1; i <= count; ++i)
            urls << QUrl::fromLocalFile(m_tmp.filePath(QString("Disegni/pezzo%1.dxf").arg(i)));
        return urls;
    }
    // Ctrl+V in the list after a copy in the file manager (null: an empty clipboard).
    static bool Paste(frmClient& w, QMimeData* data)
    {
        data ? QGuiApplication::clipboard()->setMimeData(data) : QGuiApplication::clipboard()->clear();
        w.show();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        w.ListV->setFocus();
        QTest::keyClick(w.windowHandle(), Qt::Key_V, Qt::ControlModifier);
        return true;
    }

private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("shown");   // mode, cap, "Percorso"
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("settings file") << QByteArray("DXFDWGmode=dwg\nMaxNumberFiles=-1\nKeepLog=forse\nMaxNumberFiles=x") << "DWG -1 " + m_out
            << QStringList{"Valore KeepLog non riconosciuto: forse", "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("none") << QByteArray() << "DXF 3 /mnt/y/Richieste" << QStringList{m_tmp.filePath("programma/kivra_client.ini non esiste")};
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
        QCOMPARE(s.OutFolder + " " + w->txtPath->text(), "clienti\\Lotto7 " + shown.section(' ', 2) + "/clienti/Lotto7");
    }

    // Files come by a drag from the file manager or by Ctrl+V after a copy there, on one road:
    // status 1 first, then the files in order up to the cap. Anything but local files, or files
    // offered for a move only, change nothing at all.
    void filesArrive_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QMimeData*>("data");
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("listed");   // with the one already there; 0: refused
        const auto offer = [](const QList<QUrl>& urls, const QString& text = {}) {
            auto* data = new QMimeData;
            data->setUrls(urls);
            data->setText(text);
            return data;
        };
        const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
        const QUrl web("https://www.kivra.example/a.dxf");
        for (const bool paste : {false, true}) {
            const char* way = paste ? "paste" : "drop";
            QTest::addRow("%s: five onto a cap of 3", way) << paste << offer(drawings(5)) << copyOrMove << 3 << 3;
            QTest::addRow("%s: no cap but the list's own", way) << paste << offer(drawings(32770)) << copyOrMove << -1 << 32767;
            QTest::addRow("%s: text", way) << paste << offer({}, drawings(1)[0].toLocalFile()) << copyOrMove << 3 << 0;
            QTest::addRow("%s: web link", way) << paste << offer({web}) << copyOrMove << 3 << 0;
            QTest::addRow("%s: file and web link", way) << paste << offer({drawings(1)[0], web}) << copyOrMove << 3 << 0;
        }
        QTest::newRow("paste: empty clipboard") << true << static_cast<QMimeData*>(nullptr) << copyOrMove << 3 << 0;
        QTest::newRow("drop: move only") << false << offer(drawings(1)) << int(Qt::MoveAction) << 3 << 0;
        QTest::newRow("drop: link only") << false << offer(drawings(1)) << int(Qt::LinkAction) << 3 << 0;
    }
    void filesArrive()
    {
        QFETCH(bool, paste);
        QFETCH(QMimeData*, data);
        QFETCH(int, actions);
        QFETCH(int, cap);
        QFETCH(int, listed);
        const auto w = start("MaxNumberFiles=" + QByteArray::number(cap));
        w->ListV->addPaths({"pezzo0.dxf"});
        QStringList expected{"pezzo0.dxf"};
        for (const QUrl& url : data && listed ? data->urls().mid(0, listed - 1) : QList<QUrl>{})
            expected << url.toLocalFile();
        if (paste)
            QVERIFY(Paste(*w, data));
        else
            QCOMPARE(DragAndDrop(*w, data, Qt::DropActions(actions)), listed ? Qt::CopyAction : Qt::IgnoreAction);
        QCOMPARE(w->lblStatus->text(), listed ? "Preparazione della lista" : IdleCaption);
        QCOMPARE(w->ListV->paths(), expected);
    }

    // "Azzera lista" empties the list and forgets the request: its marks move nothing any more.
    void resetForgetsTheRequest()
    {
        const auto w = start("");
        w->ListV->addPaths({"a"});
        w->CmdOut->click();
        QTRY_VERIFY(w->CmdOut->isEnabled());
        w->cmdReset->click();
        WriteBytes(m_jobs + "/Z_45678.wip", "");
        w->Timer1->start(10);
        QTest::qWait(100);
        QCOMPARE(w->lblStatus->text() + QString::number(w->ListV->count()), IdleCaption + "0");
    }

    // Without a mouse: paste, trim with Shift and Canc, send with Enter, and the focus comes back
    // to Converti; the menu key offers the list's actions in Italian.
    void keyboardOnly()
    {
        const auto w = start("MaxNumberFiles=-1");
        QVERIFY(Paste(*w, FileData({"a", "b", "c", "d"})));
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(w->windowHandle(), k, m); };
        key(Qt::Key_Down), key(Qt::Key_Down), key(Qt::Key_Down, Qt::ShiftModifier), key(Qt::Key_Delete);
        QCOMPARE(w->ListV->paths(), (QStringList{"a", "d"}));
        key(Qt::Key_Tab), key(Qt::Key_Return);
        QTRY_VERIFY(w->CmdOut->isEnabled());
        QCOMPARE(ReadBytes(m_jobs + "/Z_45678.job"), "DXFDWG=DXF\r\na\r\nd\r\n");
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
