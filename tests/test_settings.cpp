#include "TestHost.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QTemporaryDir>
#include <QtTest>

using Fields = QMap<QString, QString>;

namespace {

// Every field of the record as text, so one comparison shows what a file changed and what not.
Fields AllFields(const SettingsRecord& s)
{
    return {
        {"WaitTimeout", QString::number(s.WaitTimeout)},
        {"StuckConverterTimeout", QString::number(s.StuckConverterTimeout)},
        {"JobFileDir", s.JobFileDir},
        {"JobExt", s.JobExt},
        {"WipExt", s.WipExt},
        {"LogExt", s.LogExt},
        {"JobFilePath", s.JobFilePath},
        {"RunString0", s.RunString[0]},
        {"RunString1", s.RunString[1]},
        {"RunString2", s.RunString[2]},
        {"OutFolder", s.OutFolder},
        {"DXFOutDirRoot", s.DXFOutDirRoot},
        {"OutDirTag", s.OutDirTag},
        {"DXFDWGmode", s.DXFDWGmode},
        {"ModeTag", s.ModeTag},
        {"MaxNumberFiles", QString::number(s.MaxNumberFiles)},
        {"KeepLog", s.KeepLog ? "true" : "false"},
        {"LogFilePath", s.LogFilePath},
        {"WipFilePath", s.WipFilePath},
        {"Interattivo", s.Interattivo ? "true" : "false"},
    };
}

SettingsRecord Defaults()
{
    SettingsRecord s;
    InitDefaults(s);
    return s;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString dir() const { return Native(m_dir.path()); }

private slots:
    void defaults()
    {
        SettingsRecord s;
        s.JobFilePath = "kept";
        s.OutFolder = "kept too";
        s.LogFilePath = s.WipFilePath = "cleared";
        InitDefaults(s);
        const Fields expected{
            {"WaitTimeout", "420000"}, {"StuckConverterTimeout", "60"},
            {"JobFileDir", "y:\\Richieste"}, {"JobExt", ".job"}, {"WipExt", ".wip"},
            {"LogExt", ".log"}, {"JobFilePath", "kept"},
            {"RunString0", "C:\\Programmi\\Convertitore\\bin\\convdis.exe NOECO "},
            {"RunString1", " -i4 C:\\Programmi\\Convertitore\\files\\dxf.ini -R"},
            {"RunString2", "\""}, {"OutFolder", "kept too"}, {"DXFOutDirRoot", "y:\\Richieste"},
            {"OutDirTag", "OUTDIR="}, {"DXFDWGmode", "DXF"}, {"ModeTag", "DXFDWG="},
            {"MaxNumberFiles", "3"}, {"KeepLog", "false"}, {"LogFilePath", ""},
            {"WipFilePath", ""}, {"Interattivo", "false"},
        };
        QCOMPARE(AllFields(s), expected);
    }

    // Each row: the file's text (%DIR% stands for an existing folder), the fields that must
    // differ from the defaults afterwards, and the warnings in order.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Fields>("changed");
        QTest::addColumn<QStringList>("warnings");
        const QString waitError = "Errore convertendo WaitTimeout in Long";
        const QString stuckError = "Errore convertendo StuckConverterTimeout in Long";
        const QString maxError = "Errore convertendo MaxNumberFiles in Integer";

        QTest::newRow("wait 0 means 10 s") << QByteArray("WaitTimeout=0") << Fields{{"WaitTimeout", "10000"}} << QStringList{};
        QTest::newRow("wait -5") << QByteArray("WaitTimeout=-5") << Fields{{"WaitTimeout", "5000"}} << QStringList{};
        QTest::newRow("wait 420") << QByteArray("WaitTimeout=420") << Fields{{"WaitTimeout", "420000"}} << QStringList{};
        QTest::newRow("wait +7 with blanks") << QByteArray("WaitTimeout= \t+7 ") << Fields{{"WaitTimeout", "7000"}} << QStringList{};
        QTest::newRow("wait largest") << QByteArray("WaitTimeout=-2147483") << Fields{{"WaitTimeout", "2147483000"}} << QStringList{};
        QTest::newRow("wait product too big") << QByteArray("WaitTimeout=2147484") << Fields{} << QStringList{waitError};
        QTest::newRow("wait past 32 bits") << QByteArray("WaitTimeout=99999999999999999999999") << Fields{} << QStringList{waitError};
        QTest::newRow("wait empty") << QByteArray("WaitTimeout=") << Fields{} << QStringList{waitError};
        QTest::newRow("wait fraction") << QByteArray("WaitTimeout=2.5") << Fields{} << QStringList{waitError};
        QTest::newRow("wait hex") << QByteArray("WaitTimeout=0x10") << Fields{} << QStringList{waitError};
        QTest::newRow("wait exponent") << QByteArray("WaitTimeout=1e3") << Fields{} << QStringList{waitError};
        QTest::newRow("wait separator") << QByteArray("WaitTimeout=1.000") << Fields{} << QStringList{waitError};
        QTest::newRow("wait sign apart") << QByteArray("WaitTimeout=- 5") << Fields{} << QStringList{waitError};
        QTest::newRow("wait nul") << QByteArray("WaitTimeout=5\0", 14) << Fields{} << QStringList{waitError};
        QTest::newRow("stuck 0 means 30") << QByteArray("StuckConverterTimeout=0") << Fields{{"StuckConverterTimeout", "30"}} << QStringList{};
        QTest::newRow("stuck -45") << QByteArray("StuckConverterTimeout=-45") << Fields{{"StuckConverterTimeout", "45"}} << QStringList{};
        QTest::newRow("stuck max") << QByteArray("StuckConverterTimeout=2147483647") << Fields{{"StuckConverterTimeout", "2147483647"}} << QStringList{};
        QTest::newRow("stuck min has no abs") << QByteArray("StuckConverterTimeout=-2147483648") << Fields{} << QStringList{stuckError};
        QTest::newRow("stuck past 32 bits") << QByteArray("StuckConverterTimeout=2147483648") << Fields{} << QStringList{stuckError};
        QTest::newRow("max 0") << QByteArray("MaxNumberFiles=0") << Fields{{"MaxNumberFiles", "0"}} << QStringList{};
        QTest::newRow("max -2") << QByteArray("MaxNumberFiles=-2") << Fields{{"MaxNumberFiles", "-2"}} << QStringList{};
        QTest::newRow("max 16-bit edges") << QByteArray("MaxNumberFiles=32767\r\nMaxNumberFiles=-32768")
                                          << Fields{{"MaxNumberFiles", "-32768"}} << QStringList{};
        QTest::newRow("max past 16 bits") << QByteArray("MaxNumberFiles=32768\nMaxNumberFiles=-32769")
                                          << Fields{} << QStringList{maxError, maxError};
        QTest::newRow("mode dwg kept in its case") << QByteArray("DXFDWGmode=dwg") << Fields{{"DXFDWGmode", "dwg"}} << QStringList{};
        QTest::newRow("mode pdf") << QByteArray("DXFDWGmode=PDF") << Fields{} << QStringList{"Valore DXFDWGmode non riconosciuto: PDF"};
        QTest::newRow("mode with blank") << QByteArray("DXFDWGmode=DXF ") << Fields{} << QStringList{"Valore DXFDWGmode non riconosciuto: DXF "};
        QTest::newRow("keeplog si") << QByteArray("KeepLog=si") << Fields{{"KeepLog", "true"}} << QStringList{};
        QTest::newRow("keeplog blank si") << QByteArray("KeepLog= SI") << Fields{} << QStringList{"Valore KeepLog non riconosciuto:  SI"};
        QTest::newRow("interattivo yes then no") << QByteArray("Interattivo=SI\r\nInterattivo=No\r\n") << Fields{} << QStringList{};
        QTest::newRow("interattivo si") << QByteArray("Interattivo=Si") << Fields{{"Interattivo", "true"}} << QStringList{};
        QTest::newRow("interattivo other") << QByteArray("Interattivo=forse") << Fields{} << QStringList{"Valore Interattivo non riconosciuto: forse"};
        QTest::newRow("run strings as they are") << QByteArray("RunStringCMD= a b \r\nRunStringPAR=")
                                                 << Fields{{"RunString0", " a b "}, {"RunString1", ""}} << QStringList{};
        QTest::newRow("folders that exist") << QByteArray("DXFOutDirRoot=%DIR%\nJobFileDir=%DIR%")
                                            << Fields{{"DXFOutDirRoot", "%DIR%"}, {"JobFileDir", "%DIR%"}} << QStringList{};
        QTest::newRow("second folder wins") << QByteArray("JobFileDir=%DIR%\\a\r\nJobFileDir=%DIR%\\b")
                                            << Fields{{"JobFileDir", "%DIR%\\b"}} << QStringList{};
        QTest::newRow("empty folder value") << QByteArray("DXFOutDirRoot=") << Fields{} << QStringList{"La cartella  non esiste"};
        QTest::newRow("a file is no folder") << QByteArray("JobFileDir=%DIR%\\file") << Fields{}
                                             << QStringList{"La cartella %DIR%\\file non esiste"};
        QTest::newRow("missing folder, later lines applied") << QByteArray("DXFOutDirRoot=q:\\Nulla\r\nMaxNumberFiles=7\r\n")
                                                             << Fields{{"MaxNumberFiles", "7"}} << QStringList{"La cartella q:\\Nulla non esiste"};
        QTest::newRow("warnings in file order") << QByteArray("KeepLog=x\nWaitTimeout=y\rDXFDWGmode=z")
                                                << Fields{} << QStringList{"Valore KeepLog non riconosciuto: x", waitError, "Valore DXFDWGmode non riconosciuto: z"};
        QTest::newRow("refused keeps earlier value") << QByteArray("MaxNumberFiles=9\r\nMaxNumberFiles=x\r\n")
                                                     << Fields{{"MaxNumberFiles", "9"}} << QStringList{maxError};
        static const char silent[] = "waittimeout=5\r\n WaitTimeout=5\r\n*WaitTimeout=5\r\n"
                                     "[Client]\r\n\r\nUnknown=1\r\nJobExt=.txt\r\nOUTDIR=x\r\n"
                                     "\0WaitTimeout=5\r\n";
        QTest::newRow("silently ignored lines") << QByteArray(silent, sizeof silent - 1)
                                                << Fields{} << QStringList{};
        QTest::newRow("code page value") << QByteArray("RunStringCMD=Citt\xE0") << Fields{{"RunString0", "Città"}} << QStringList{};
    }
    void reader()
    {
        QFETCH(QByteArray, file);
        QFETCH(Fields, changed);
        QFETCH(QStringList, warnings);
        QDir(m_dir.path()).mkpath("a");
        QDir(m_dir.path()).mkpath("b");
        WriteBytes(m_dir.filePath("file"), "");
        WriteBytes(m_dir.filePath("kivra_client.ini"), file.replace("%DIR%", dir().toLocal8Bit()));

        SettingsRecord s;
        InitDefaults(s);
        TestHost host;
        ReadSettings(dir() + "\\kivra_client.ini", s, host);

        Fields expected = AllFields(Defaults());
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            expected[it.key()] = QString(it.value()).replace("%DIR%", dir());
        QCOMPARE(AllFields(s), expected);
        QCOMPARE(host.warnings, warnings.replaceInStrings("%DIR%", dir()));
    }

    void missingFileWarnsAndKeepsDefaults()
    {
        SettingsRecord s;
        InitDefaults(s);
        TestHost host;
        const QString path = dir() + "\\nessuno.ini";
        ReadSettings(path, s, host);
        QCOMPARE(host.warnings, QStringList{path + " non esiste"});
        QCOMPARE(AllFields(s), AllFields(Defaults()));
    }

    void unreadableFileWarnsOnce()
    {
        struct UnreadableHost : TestHost {
            bool readLines(const QString&, const std::function<void(const QString&)>&) const override
            {
                return false;
            }
        } host;
        WriteBytes(m_dir.filePath("locked.ini"), "MaxNumberFiles=7");
        SettingsRecord s;
        InitDefaults(s);
        ReadSettings(dir() + "\\locked.ini", s, host);
        QCOMPARE(host.warnings, QStringList{"Impossibile leggere il file " + dir() + "\\locked.ini"});
        QCOMPARE(AllFields(s), AllFields(Defaults()));
    }

    void hostileBytesWarnOnlyForKeyLines()
    {
        QByteArray garbage(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919) % 256);
        garbage.replace("\r", "").replace("\n", "");   // one long line that begins with no key
        const QByteArray huge(10 << 20, 'x');
        QByteArray file = garbage + "\r\n" + QByteArray(1000, '\0') + "\n"
                          + "KeepLog=" + huge + "\r\nMaxNumberFiles=12\r\n" + huge;
        WriteBytes(m_dir.filePath("hostile.ini"), file);

        SettingsRecord s;
        InitDefaults(s);
        TestHost host;
        ReadSettings(dir() + "\\hostile.ini", s, host);
        QCOMPARE(host.warnings.size(), 1);
        QCOMPARE(host.warnings[0], "Valore KeepLog non riconosciuto: " + QString(huge));
        QCOMPARE(s.MaxNumberFiles, qint16(12));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
