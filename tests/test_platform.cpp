#include "TestHost.h"

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    // Windows-style paths to the host and back: on Linux a drive letter is a share under
    // /mnt/<letter>; "c:x" is no drive, nor an upper-case /mnt/Y one of ours. Windows keeps them.
    void paths()
    {
        const QStringList rows[] = {{"y:\\Richieste\\Z_1.job", "/mnt/y/Richieste/Z_1.job", "y:\\Richieste\\Z_1.job"},
                                    {"Y:", "/mnt/y", "y:\\"},
                                    {"c:x", "c:x", "c:x"},
                                    {"/srv\\a", "/srv/a", "/srv/a"},
                                    {"/mnt/Y/a.dxf", "/mnt/Y/a.dxf", "/mnt/Y/a.dxf"}};
        for (const QStringList& row : rows) {
            QCOMPARE(HostPath(row[0]), Windows ? row[0] : row[1]);
            QCOMPARE(WindowsPath(row[1]), Windows ? row[1] : row[2]);
        }
    }

    // Output sub-folders: those that could leave the output root are refused by the client before
    // writing anything, and by the stand-in server in any client's job.
    void outputFolders()
    {
        for (const char* folder :
             {"", "Lotto7", "clienti\\rossi", "clienti/rossi", "Città", "console", "COM10", "nul_1", "LPT", "COM¹0"})
            QVERIFY2(StaysInsideRoot(QString(folder)), folder);
        for (const char* folder :
             {"..\\fuori", "a\\..\\..\\x", "a/..\\../x", "\\x",      "/tmp/x",     "c:\\x", "c:x",
              "a?b",       "a\tb",         "a.\\b",      "a \\b",    "a\\\\b",     "CON",   "a\\nul.txt",
              "Com1",      "lpt9.dxf\\b",  "aux.",       "com0",     "LPT0",       "COM¹",  "lpt²",
              "COM³.dxf",  "CONIN$",       "conout$.x",  "CON .txt", "Lpt1  .a\\b"})
            QVERIFY2(!StaysInsideRoot(QString(folder)), folder);
    }

    // One status call: a file, a folder, or nothing there; a look that fails for another reason
    // (a name the host cannot have here, a share that dropped in use) says so, and is never absence.
    void fileStatus()
    {
        QTemporaryDir dir;
        WriteBytes(dir.filePath("file"), "x");
        const QString base = Native(dir.path()) + "\\";
        const QStringList rows[] = {{base + "file", "file"},
                                    {Native(dir.path()), "folder"},
                                    {base + "missing", "none"},
                                    {base + "missing\\x", "none"},
                                    {base + "file\\x", "none"},
                                    {base + (Windows ? "a?b" : QString(300, 'n')), "unknown"},
                                    {"", "none"}};
        for (const QStringList& row : rows) {
            const FileStatus seen = Host().fileStatus(row[0]);
            QCOMPARE(seen.unknown ? "unknown" : seen.isFile ? "file" : seen.isFolder ? "folder" : "none", row[1]);
        }
    }

    // A new job held for a moment (an antivirus at work) is renamed once it is let go, tried for about a second;
    // held longer, it is not published, and nothing is left behind.
    void busyRename()
    {
        QTemporaryDir dir;
        for (const int busy : {100, 3}) {
            int tries = 0;
            const Publication published = PublishFile(
                Native(dir.filePath("Z_1.job")), "job", [&](const QString& from, const QString& to, QString& why) {
                    return ++tries > busy ? RenameNoReplace(from, to, why) : (why = "in uso", Renamed::Busy);
                });
            QCOMPARE(published.outcome, busy == 3 ? Publication::Published : Publication::Failed);
            QCOMPARE(tries, busy == 3 ? 4 : 10);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), busy == 3 ? QStringList{"Z_1.job"} : QStringList{});
        }
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
