#include "TestHost.h"
#include "platform/CodePage.h"
#include "platform/HostPath.h"

#include <QtTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void hostPath_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::addColumn<QString>("host");
        QTest::newRow("drive letter") << "y:\\Richieste\\Z_1.job" << "/mnt/y/Richieste/Z_1.job";
        QTest::newRow("upper-case bare drive") << "Y:" << "/mnt/y";
        QTest::newRow("drive-relative is no drive") << "c:x" << "c:x";
        QTest::newRow("two letters are no drive") << "ab:\\x" << "ab:/x";
        QTest::newRow("posix path joined with backslash") << "/srv/richieste\\Z_1.job" << "/srv/richieste/Z_1.job";
        QTest::newRow("relative, doubled separator kept") << "Lotto7\\\\a" << "Lotto7//a";
        QTest::newRow("empty") << "" << "";
    }
    void hostPath()
    {
        QFETCH(QString, windows);
        QFETCH(QString, host);
        QCOMPARE(HostPath(windows), host);
    }

    // The way back, for the server: a mounted drive as the drive, anything else as it is.
    void windowsPath_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("windows");
        QTest::newRow("mounted drive") << "/mnt/y/Disegni/a.dxf" << "y:\\Disegni\\a.dxf";
        QTest::newRow("the drive alone") << "/mnt/y" << "y:\\";
        QTest::newRow("upper case: not our mount") << "/mnt/Y/a.dxf" << "/mnt/Y/a.dxf";
        QTest::newRow("two letters") << "/mnt/yy/a.dxf" << "/mnt/yy/a.dxf";
        QTest::newRow("elsewhere") << "/home/u/a.dxf" << "/home/u/a.dxf";
    }
    void windowsPath()
    {
        QFETCH(QString, host);
        QFETCH(QString, windows);
        QCOMPARE(WindowsPath(host), windows);
        QCOMPARE(HostPath(WindowsPath(host)).chopped(host == "/mnt/y"), host);   // and back again
    }

    // Windows-1252, the code page of hosts that have none (tests/test_wincore.cpp holds the
    // same rows for Windows' own code pages, run under Wine).
    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");   // null: refused
        QTest::newRow("ascii") << "C:\\Disegni\\a.dxf" << QByteArray("C:\\Disegni\\a.dxf");
        QTest::newRow("Città") << "Citt\u00E0" << QByteArray("Citt\xE0");
        QTest::newRow("euro") << "\u20AC" << QByteArray("\x80");
        QTest::newRow("outside the code page") << "\u03A9" << QByteArray();
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray();
    }
    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const auto encoded = EncodeAnsi("pezzo" + text);
        QCOMPARE(encoded.has_value(), !bytes.isNull());
        if (encoded) {
            QCOMPARE(*encoded, "pezzo" + bytes);
            QCOMPARE(DecodeAnsi(*encoded), "pezzo" + text);
        }
    }

    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(EncodeAnsi(DecodeAnsi(all)).value_or("<refused>"), all);
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf, last without end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone lf and cr") << QByteArray("a\nb\rc\r") << QStringList{"a", "b", "c"};
        QTest::newRow("blank lines kept") << QByteArray("a\r\n\r\n\r\r\nb") << QStringList{"a", "", "", "", "b"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("nul and code page") << QByteArray("a\0\xE0", 3) << QStringList{QString("a") + QChar(0) + "à"};
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QStringList read;
        ForEachLine(bytes, [&](const QString& line) { read << line; });
        QCOMPARE(read, lines);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
