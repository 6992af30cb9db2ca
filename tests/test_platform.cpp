#include "platform/CodePage.h"
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

    // Windows-1252, the code page of hosts that have none (test_wincore: Windows' own).
    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");   // null: refused
        QTest::newRow("ascii") << "C:\\a.dxf" << QByteArray("C:\\a.dxf");
        QTest::newRow("Città") << "Citt\u00E0" << QByteArray("Citt\xE0");
        QTest::newRow("euro") << "\u20AC" << QByteArray("\x80");
        QTest::newRow("outside") << "\u03A9" << QByteArray();
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray();
    }
    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeAnsi(text).value_or(QByteArray()), bytes);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(EncodeAnsi(DecodeAnsi(all)).value_or("<refused>"), all);   // every byte
    }

    // Fed one byte at a time, as a stream splits them anywhere.
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf, lf, cr, last without end") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("blank lines, nul, code page") << QByteArray("a\r\n\r\r\n\0\xE0", 8) << QStringList{"a", "", "", QString(QChar(0)) + "à"};
        QTest::newRow("utf-8 with its mark") << QByteArray("\xEF\xBB\xBF" "Citt\xC3\xA0\r\n") << QStringList{"Città"};
        QTest::newRow("utf-8 mark, then not utf-8") << QByteArray("\xEF\xBB\xBF\xE0") << QStringList{"\uFFFD"};
        QTest::newRow("not utf-8: code page") << QByteArray("Citt\xC3\xA0 \xE0") << QStringList{"Citt\u00C3\u00A0 \u00E0"};
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        EncodingGuess guess;
        for (const char c : bytes)
            guess.feed(QByteArrayView(&c, 1));
        QStringList read;
        LineSplitter splitter([&](const QString& line) { read << line; }, guess.encoding());
        for (const char c : bytes)
            splitter.feed(QByteArrayView(&c, 1));
        splitter.finish();
        QCOMPARE(read, lines);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
