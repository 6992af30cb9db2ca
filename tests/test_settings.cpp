#include "TestHost.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QTemporaryDir>
#include <QtTest>

using Fields = QMap<QString, QString>;

namespace {

// Every field as text, so one comparison shows what a file changed and what it left alone.
Fields AllFields(const SettingsRecord& s)
{
    const auto yes = [](bool b) { return QString(b ? "true" : "false"); };
    return {{"WaitTimeout", QString::number(s.WaitTimeout)},
            {"StuckConverterTimeout", QString::number(s.StuckConverterTimeout)},
            {"JobFileDir", s.JobFileDir}, {"JobExt", s.JobExt}, {"WipExt", s.WipExt},
            {"LogExt", s.LogExt}, {"JobFilePath", s.JobFilePath}, {"RunString0", s.RunString[0]},
            {"RunString1", s.RunString[1]}, {"RunString2", s.RunString[2]},
            {"OutFolder", s.OutFolder}, {"DXFOutDirRoot", s.DXFOutDirRoot},
            {"OutDirTag", s.OutDirTag}, {"DXFDWGmode", s.DXFDWGmode}, {"ModeTag", s.ModeTag},
            {"MaxNumberFiles", QString::number(s.MaxNumberFiles)}, {"KeepLog", yes(s.KeepLog)},
            {"Interattivo", yes(s.Interattivo)}};
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    Fields m_defaults;

    QString dir() const { return Native(m_dir.path()); }

    QStringList read(const QByteArray& file, SettingsRecord& s)
    {
        WriteBytes(m_dir.filePath("kivra_client.ini"), file);
        InitDefaults(s);
        TestHost host;
        ReadSettings(dir() + "\\kivra_client.ini", s, host);
        return host.warnings;
    }

private slots:
    void defaults()
    {
        SettingsRecord s;
        s.JobFilePath = "kept";
        s.OutFolder = "kept too";
        InitDefaults(s);
        QCOMPARE(s.JobFilePath, "kept");
        QCOMPARE(s.OutFolder, "kept too");
        QCOMPARE(s.RunString[2], "\"");
        QCOMPARE(s.RunString[0], "C:\\Programmi\\Convertitore\\bin\\convdis.exe NOECO ");
        QCOMPARE(s.RunString[1], " -i4 C:\\Programmi\\Convertitore\\files\\dxf.ini -R");
        QCOMPARE((QList<qint32>{s.WaitTimeout, s.StuckConverterTimeout, s.MaxNumberFiles}),
                 (QList<qint32>{420000, 60, 3}));
        m_defaults = AllFields(s);
        m_defaults["JobFilePath"] = m_defaults["OutFolder"] = "";
    }

    // Each row: the file (%DIR% is an existing folder), the fields that end up other than the
    // defaults, and the warnings in order.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Fields>("changed");
        QTest::addColumn<QStringList>("warnings");
        const QString wait = "Errore convertendo WaitTimeout in Long";
        const QString stuck = "Errore convertendo StuckConverterTimeout in Long";
        const QString max = "Errore convertendo MaxNumberFiles in Integer";

        QTest::newRow("wait 0 means 10 s") << QByteArray("WaitTimeout=0") << Fields{{"WaitTimeout", "10000"}} << QStringList{};
        QTest::newRow("wait -5, blanks and sign") << QByteArray("WaitTimeout=-5\nWaitTimeout= \t+7 \r\nWaitTimeout=-5") << Fields{{"WaitTimeout", "5000"}} << QStringList{};
        QTest::newRow("wait at the 32-bit edge") << QByteArray("WaitTimeout=-2147483") << Fields{{"WaitTimeout", "2147483000"}} << QStringList{};
        static const char waitRefused[] = "WaitTimeout=2147484\nWaitTimeout=99999999999999999999\n"
                                          "WaitTimeout=\nWaitTimeout=2.5\nWaitTimeout=0x10\nWaitTimeout=1e3\n"
                                          "WaitTimeout=1.000\nWaitTimeout=- 5\nWaitTimeout=5\0";
        QTest::newRow("wait refusals") << QByteArray(waitRefused, sizeof waitRefused - 1) << Fields{}
                                       << QStringList(9, wait);
        QTest::newRow("stuck 0 means 30, -45 is 45") << QByteArray("StuckConverterTimeout=0\nStuckConverterTimeout=-45") << Fields{{"StuckConverterTimeout", "45"}} << QStringList{};
        QTest::newRow("stuck 0") << QByteArray("StuckConverterTimeout=0") << Fields{{"StuckConverterTimeout", "30"}} << QStringList{};
        QTest::newRow("stuck refusals") << QByteArray("StuckConverterTimeout=-2147483648\nStuckConverterTimeout=2147483648")
                                        << Fields{} << QStringList{stuck, stuck};
        QTest::newRow("max 0") << QByteArray("MaxNumberFiles=0") << Fields{{"MaxNumberFiles", "0"}} << QStringList{};
        QTest::newRow("max -32768, earlier 32767") << QByteArray("MaxNumberFiles=32767\r\nMaxNumberFiles=-32768") << Fields{{"MaxNumberFiles", "-32768"}} << QStringList{};
        QTest::newRow("max refusals keep the earlier value")
            << QByteArray("MaxNumberFiles=9\nMaxNumberFiles=32768\nMaxNumberFiles=-32769\nMaxNumberFiles=x")
            << Fields{{"MaxNumberFiles", "9"}} << QStringList(3, max);
        QTest::newRow("mode dwg kept in its case") << QByteArray("DXFDWGmode=dwg") << Fields{{"DXFDWGmode", "dwg"}} << QStringList{};
        QTest::newRow("mode refusals") << QByteArray("DXFDWGmode=PDF\nDXFDWGmode=DXF ") << Fields{}
                                       << QStringList{"Valore DXFDWGmode non riconosciuto: PDF", "Valore DXFDWGmode non riconosciuto: DXF "};
        QTest::newRow("yes and no") << QByteArray("KeepLog=si\nInterattivo=SI\nInterattivo=No")
                                    << Fields{{"KeepLog", "true"}} << QStringList{};
        QTest::newRow("yes/no refusals") << QByteArray("KeepLog= SI\nInterattivo=forse") << Fields{}
                                         << QStringList{"Valore KeepLog non riconosciuto:  SI", "Valore Interattivo non riconosciuto: forse"};
        QTest::newRow("run strings as they are, code page") << QByteArray("RunStringCMD= a b \r\nRunStringPAR=\r\nRunStringCMD=Citt\xE0")
                                                 << Fields{{"RunString0", "Città"}, {"RunString1", ""}} << QStringList{};
        QTest::newRow("saved as UTF-8") << QByteArray("RunStringCMD=Citt\xC3\xA0 \xE2\x82\xAC")
                                        << Fields{{"RunString0", "Città €"}} << QStringList{};
        QTest::newRow("UTF-8 with a byte-order mark before the first key") << QByteArray("\xEF\xBB\xBFKeepLog=si\r\nRunStringCMD=Citt\xC3\xA0")
                                        << Fields{{"KeepLog", "true"}, {"RunString0", "Città"}} << QStringList{};
        QTest::newRow("not UTF-8 after all: code page") << QByteArray("RunStringCMD=Citt\xC3\xA0\r\nRunStringPAR=\xE0")
                                        << Fields{{"RunString0", "CittÃ\u00A0"}, {"RunString1", "à"}} << QStringList{};
        QTest::newRow("folders that exist, second wins") << QByteArray("DXFOutDirRoot=%DIR%\nJobFileDir=%DIR%\\a\r\nJobFileDir=%DIR%\\b")
                                                         << Fields{{"DXFOutDirRoot", "%DIR%"}, {"JobFileDir", "%DIR%\\b"}} << QStringList{};
        QTest::newRow("folder refusals, later lines applied")
            << QByteArray("DXFOutDirRoot=\r\nJobFileDir=%DIR%\\file\r\nDXFOutDirRoot=q:\\Nulla\rMaxNumberFiles=7")
            << Fields{{"MaxNumberFiles", "7"}}
            << QStringList{"La cartella  non esiste", "La cartella %DIR%\\file non esiste", "La cartella q:\\Nulla non esiste"};
        static const char silent[] = "waittimeout=5\r\n WaitTimeout=5\r\n*WaitTimeout=5\r\n[Client]\r\n\r\n"
                                     "JobExt=.txt\r\nOUTDIR=x\r\n\0WaitTimeout=5\r\n";
        QTest::newRow("lines that are ignored silently") << QByteArray(silent, sizeof silent - 1) << Fields{} << QStringList{};
    }
    void reader()
    {
        QFETCH(QByteArray, file);
        QFETCH(Fields, changed);
        QFETCH(QStringList, warnings);
        QDir(m_dir.path()).mkpath("a");
        QDir(m_dir.path()).mkpath("b");
        WriteBytes(m_dir.filePath("file"), "");
        SettingsRecord s;
        QCOMPARE(read(file.replace("%DIR%", dir().toLocal8Bit()), s), warnings.replaceInStrings("%DIR%", dir()));
        Fields expected = m_defaults;
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            expected[it.key()] = QString(it.value()).replace("%DIR%", dir());
        QCOMPARE(AllFields(s), expected);
    }

    void missingOrUnreadableFile()
    {
        struct UnreadableHost : TestHost {
            bool readLines(const QString&, const std::function<void(const QString&)>&, bool) const override
            {
                return false;
            }
        } unreadable;
        TestHost host;
        SettingsRecord s;
        InitDefaults(s);
        ReadSettings(dir() + "\\nessuno.ini", s, host);
        ReadSettings(dir() + "\\file", s, unreadable);
        // Paths the program built are shown in the host's own form.
        QCOMPARE(host.warnings, QStringList{m_dir.path() + "/nessuno.ini non esiste"});
        QCOMPARE(unreadable.warnings, QStringList{"Impossibile leggere il file " + m_dir.path() + "/file"});
        QCOMPARE(AllFields(s), m_defaults);
    }

    void hostileBytesWarnOnlyForKeyLines()
    {
        QByteArray garbage(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919) % 256);
        garbage.replace("\r", "").replace("\n", "");   // one long line that begins with a NUL
        const QByteArray huge(10 << 20, 'x');
        SettingsRecord s;
        const QStringList warnings = read(garbage + "\r\n" + "KeepLog=" + huge + "\nMaxNumberFiles=12\r" + huge, s);
        QCOMPARE(warnings, QStringList{"Valore KeepLog non riconosciuto: " + QString(huge)});
        QCOMPARE(s.MaxNumberFiles, qint16(12));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
