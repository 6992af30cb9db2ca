#include "Window.h"
#include "request/Status.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// One request as a screen reader follows it, on a desktop with the accessibility bus
// (tests/atspi-session): every change of the status is told, its caption as the name, and the
// focus stays where the user left it.
class TestAccessibility : public WindowFixture {
    Q_OBJECT
    struct Heard {
        QObject* object;
        QAccessible::Event type;
        QString name;
    };
    static inline QList<Heard> heard;
    static void record(QAccessibleEvent* e)
    {
        const bool named = e->type() == QAccessible::NameChanged;
        heard << Heard{e->object(), e->type(), named ? e->accessibleInterface()->text(QAccessible::Name) : QString()};
    }

private slots:
    void oneRequestIsHeard()
    {
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
        QAccessible::installUpdateHandler(record);
        const auto w = start();
        w->Timer1->setInterval(50);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QWidget* const focus = QApplication::focusWidget();
        heard.clear();

        DragAndDrop(*w, FileData(drawings(2)));
        QTest::keyClicks(w->txtFolder, "Lotto7");
        w->CmdOut->click();
        QTRY_VERIFY(w->CmdOut->isEnabled());
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTRY_COMPARE(w->lblStatus->text(), "Conversione in corso...");
        QFile::remove(jobs() + "/Z_45678.wip");
        WriteBytes(out() + "/Lotto7/Z_45678.log", "OK");
        QTRY_COMPARE(w->lblStatus->text(), "File convertiti.");
        w->cmdReset->click();

        QStringList status;
        bool pathTold = false;
        for (const Heard& h : heard) {
            if (h.object == w->lblStatus && h.type == QAccessible::NameChanged)
                status << h.name;
            pathTold |= h.object == w->txtPath && h.type == QAccessible::TextUpdated;
        }
        QCOMPARE(status, (QStringList{"Preparazione della lista", "Richiesta inviata al server", "Conversione in corso...",
                                      "File convertiti.", IdleCaption}));
        QVERIFY(pathTold);
        QCOMPARE(QApplication::focusWidget(), focus);
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
