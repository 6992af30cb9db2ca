#include "platform/HostPath.h"

#include <QtTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // Windows-style paths to the host and, for what the server reads, back.
    void paths_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("back");
        QTest::newRow("drive") << "y:\\Richieste\\Z_1.job" << "/mnt/y/Richieste/Z_1.job" << "y:\\Richieste\\Z_1.job";
        QTest::newRow("bare upper-case drive") << "Y:" << "/mnt/y" << "y:\\";
        QTest::newRow("drive-relative is no drive") << "c:x" << "c:x" << "c:x";
        QTest::newRow("posix path, backslash") << "/srv/richieste\\Z_1.job" << "/srv/richieste/Z_1.job" << "/srv/richieste/Z_1.job";
        QTest::newRow("upper case is not our mount") << QString() << "/mnt/Y/a.dxf" << "/mnt/Y/a.dxf";
    }
    void paths()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        QFETCH(QString, back);
        if (!windows.isNull())
            QCOMPARE(HostPath(windows), host);
        QCOMPARE(WindowsPath(host), back);
    }

    // Output sub-folders: those that could leave the output root are refused by the client before
    // writing anything, and by the stand-in server in any client's job.
    void outputFolders()
    {
        for (const char* folder : {"", "Lotto7", "clienti\\rossi", "clienti/rossi", "Città"})
            QVERIFY2(StaysInsideRoot(QString(folder)), folder);
        for (const char* folder : {"..\\fuori", "a\\..\\..\\x", "a/..\\../x", "\\x", "/tmp/x", "c:\\x", "c:x", "a?b", "a\tb",
                                   "a.\\b", "a \\b", "a\\\\b"})
            QVERIFY2(!StaysInsideRoot(QString(folder)), folder);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
