#include "DragDrop.h"
#include "WindowFixture.h"
#include "request/Status.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// One request as a screen reader follows it, on a desktop with the accessibility bus: every
// change of the status is told, with the caption as the name, without taking the focus.
class TestAccessibility : public WindowFixture {
    Q_OBJECT

    struct Heard {
        QObject* object;
        QAccessible::Event type;
        QString name;
    };
    static inline QList<Heard> heard;

    static void record(QAccessibleEvent* event)
    {
        QAccessibleInterface* iface = event->accessibleInterface();
        heard << Heard{event->object(), event->type(), iface ? iface->text(QAccessible::Name) : QString()};
    }

    static QStringList namesOf(QObject* object)
    {
        QStringList names;
        for (const Heard& h : heard)
            if (h.object == object && h.type == QAccessible::NameChanged)
                names << h.name;
        return names;
    }

private slots:
    void initTestCase()
    {
        makeFolders();
        resetHost();
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
        QAccessible::installUpdateHandler(record);
    }

    void oneRequestIsHeard()
    {
        const auto w = start();
        w->Timer1->setInterval(50);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QWidget* const focus = QApplication::focusWidget();
        heard.clear();

        QCOMPARE(dragAndDrop(*w, fileData(drawings(2))), Qt::CopyAction);
        QTest::keyClicks(w->txtFolder, "Lotto7");
        w->CmdOut->click();
        QTRY_VERIFY(w->CmdOut->isEnabled());
        WriteBytes(jobs() + "/Z_45678.wip", "");
        QTRY_COMPARE(w->lblStatus->text(), "Conversione in corso...");
        QFile::remove(jobs() + "/Z_45678.wip");
        WriteBytes(out() + "/Lotto7/Z_45678.log", "OK");
        QTRY_COMPARE(w->lblStatus->text(), "File convertiti.");
        w->cmdReset->click();
        QFile::remove(out() + "/Lotto7/Z_45678.log");

        QCOMPARE(namesOf(w->lblStatus), (QStringList{"Preparazione della lista",
                                                     "Richiesta inviata al server",
                                                     "Conversione in corso...",
                                                     "File convertiti.", IdleCaption}));
        bool pathTold = false;
        for (const Heard& h : heard)
            pathTold |= h.object == w->txtPath && h.type == QAccessible::TextUpdated;
        QVERIFY(pathTold);
        QCOMPARE(QApplication::focusWidget(), focus);
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
