#include "TestHost.h"
#include "platform/CodePage.h"
#include "platform/HostPath.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void hostPath_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host");
        QTest::newRow("default request folder") << "y:\\Richieste" << "/mnt/y/Richieste";
        QTest::newRow("upper-case drive") << "Y:\\Richieste\\Z_1.job" << "/mnt/y/Richieste/Z_1.job";
        QTest::newRow("bare drive") << "Y:" << "/mnt/y";
        QTest::newRow("drive root") << "c:\\" << "/mnt/c/";
        QTest::newRow("drive-relative stays") << "c:x" << "c:x";
        QTest::newRow("not a letter") << "1:\\x" << "1:/x";
        QTest::newRow("two letters") << "ab:\\x" << "ab:/x";
        QTest::newRow("posix absolute") << "/srv/richieste" << "/srv/richieste";
        QTest::newRow("posix joined with backslash") << "/srv/richieste\\Z_1.job"
                                                     << "/srv/richieste/Z_1.job";
        QTest::newRow("relative") << "Lotto7\\a" << "Lotto7/a";
        QTest::newRow("doubled separator kept") << "y:\\\\a" << "/mnt/y//a";
        QTest::newRow("empty") << "" << "";
    }
    void hostPath()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        QCOMPARE(HostPath(windows), host);
    }

    void codePageRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = DecodeAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));   // euro sign
        QCOMPARE(text.at(0xE0), QChar(0x00E0));   // à
        QCOMPARE(EncodeAnsi(text).value_or("<refused>"), all);
    }

    void codePageRefusesWhatItCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("greek") << QStringLiteral("pezzo\u03A9.dxf");
        QTest::newRow("cjk") << QStringLiteral("\u56FE.dwg");
        QTest::newRow("emoji") << QStringLiteral("a\U0001F600");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800));
    }
    void codePageRefusesWhatItCannotHold()
    {
        QFETCH(QString, text);
        QVERIFY(!EncodeAnsi(text).has_value());
    }

    void readLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf, last without end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("blank lines kept") << QByteArray("a\r\n\r\n\nb") << QStringList{"a", "", "", "b"};
        QTest::newRow("cr cr lf") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("nul inside") << QByteArray("a\0b", 3) << QStringList{QString("a") + QChar(0) + "b"};
        QTest::newRow("code page") << QByteArray("Citt\xE0\r\n\x80") << QStringList{"Città", "€"};
    }
    void readLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath("f.ini");
        WriteBytes(path, bytes);
        QStringList read;
        QVERIFY(Host().readLines(Native(path), [&](const QString& line) { read << line; }));
        QCOMPARE(read, lines);
    }

    void fileStatusTellsFilesFromFolders()
    {
        QTemporaryDir dir;
        WriteBytes(dir.filePath("f"), "x");
        const Host host;
        QVERIFY(host.fileExists(Native(dir.filePath("f"))));
        QVERIFY(!host.folderExists(Native(dir.filePath("f"))));
        QVERIFY(host.folderExists(Native(dir.path())));
        QVERIFY(!host.fileExists(Native(dir.path())));
        QVERIFY(!host.fileExists(Native(dir.filePath("missing"))));
        QVERIFY(!host.fileExists(QString()));
        QVERIFY(!host.folderExists(QString()));
    }

    void replaceFileWritesWholeAndReplaces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Z_1.job");
        WriteBytes(path, "old and longer content");
        QCOMPARE(Host().replaceFile(Native(path), "new\r\n"), QString());
        QCOMPARE(ReadBytes(path), QByteArray("new\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Z_1.job"});
    }

    void replaceFileFailsCleanly()
    {
        // A folder whose parent is a regular file cannot exist, whoever runs the test.
        QTemporaryDir dir;
        WriteBytes(dir.filePath("plain"), "x");
        const QString reason = Host().replaceFile(Native(dir.filePath("plain/sub/Z_1.job")), "x");
        QVERIFY(!reason.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"plain"});
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
