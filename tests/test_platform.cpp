#include "platform/HostPath.h"

#include <QtTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // Windows-style paths to the host and, for what the server reads, back: a drive letter is a
    // share under /mnt/<letter>; "c:x" is no drive, nor an upper-case /mnt/Y one of ours.
    void paths()
    {
        const QStringList rows[] = {{"y:\\Richieste\\Z_1.job", "/mnt/y/Richieste/Z_1.job", "y:\\Richieste\\Z_1.job"},
                                    {"Y:", "/mnt/y", "y:\\"}, {"c:x", "c:x", "c:x"}, {"/srv\\a", "/srv/a", "/srv/a"},
                                    {"/mnt/Y/a.dxf", "/mnt/Y/a.dxf", "/mnt/Y/a.dxf"}};
        for (const QStringList& row : rows)
            QCOMPARE(HostPath(row[0]) + " " + WindowsPath(row[1]), row[1] + " " + row[2]);
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
