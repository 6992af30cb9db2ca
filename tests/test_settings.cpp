#include "TestHost.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QTemporaryDir>
#include <QtTest>

using Fields = QMap<QString, QString>;

// Every field as text, so one comparison shows what a file changed and what it left alone.
static Fields AllFields(const SettingsRecord& s)
{
    const auto yes = [](bool b) { return QString(b ? "true" : "false"); };
    return {{"WaitTimeout", QString::number(s.WaitTimeout)}, {"StuckConverterTimeout", QString::number(s.StuckConverterTimeout)},
            {"JobFileDir", s.JobFileDir}, {"JobExt", s.JobExt}, {"WipExt", s.WipExt}, {"LogExt", s.LogExt},
            {"JobFilePath", s.JobFilePath}, {"RunString0", s.RunString[0]}, {"RunString1", s.RunString[1]},
            {"RunString2", s.RunString[2]}, {"OutFolder", s.OutFolder}, {"DXFOutDirRoot", s.DXFOutDirRoot},
            {"OutDirTag", s.OutDirTag}, {"DXFDWGmode", s.DXFDWGmode}, {"ModeTag", s.ModeTag},
            {"MaxNumberFiles", QString::number(s.MaxNumberFiles)}, {"KeepLog", yes(s.KeepLog)},
            {"Interattivo", yes(s.Interattivo)}};
}

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const Fields m_defaults{
        {"WaitTimeout", "420000"}, {"StuckConverterTimeout", "60"}, {"JobFileDir", "y:\\Richieste"},
        {"JobExt", ".job"}, {"WipExt", ".wip"}, {"LogExt", ".log"}, {"JobFilePath", ""},
        {"RunString0", "C:\\Programmi\\Convertitore\\bin\\convdis.exe NOECO "},
        {"RunString1", " -i4 C:\\Programmi\\Convertitore\\files\\dxf.ini -R"}, {"RunString2", "\""},
        {"OutFolder", ""}, {"DXFOutDirRoot", "y:\\Richieste"}, {"OutDirTag", "OUTDIR="},
        {"DXFDWGmode", "DXF"}, {"ModeTag", "DXFDWG="}, {"MaxNumberFiles", "3"}, {"KeepLog", "false"},
        {"Interattivo", "false"}};

private slots:
    // Each row: the file (%DIR% is an existing folder), the fields it changes, the warnings in order.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Fields>("changed");
        QTest::addColumn<QStringList>("warnings");
        const QString wait = "Errore convertendo WaitTimeout in Long";
        QTest::newRow("numbers: sign, blanks, edges") << QByteArray("WaitTimeout= \t-2147483 \r\nStuckConverterTimeout=-45\nMaxNumberFiles=-32768")
            << Fields{{"WaitTimeout", "2147483000"}, {"StuckConverterTimeout", "45"}, {"MaxNumberFiles", "-32768"}} << QStringList{};
        QTest::newRow("zero means the default") << QByteArray("WaitTimeout=0\nStuckConverterTimeout=0\nMaxNumberFiles=0")
            << Fields{{"WaitTimeout", "10000"}, {"StuckConverterTimeout", "30"}, {"MaxNumberFiles", "0"}} << QStringList{};
        static const char refused[] = "WaitTimeout=2147484\nWaitTimeout=99999999999999999999\nWaitTimeout=\nWaitTimeout=2.5\n"
            "WaitTimeout=0x10\nWaitTimeout=1e3\nWaitTimeout=- 5\nWaitTimeout=5\0\nStuckConverterTimeout=-2147483648\n"
            "MaxNumberFiles=9\nMaxNumberFiles=32768\nMaxNumberFiles=x";
        QTest::newRow("numbers refused, earlier value kept") << QByteArray(refused, sizeof refused - 1) << Fields{{"MaxNumberFiles", "9"}}
            << QStringList(8, wait) + QStringList{"Errore convertendo StuckConverterTimeout in Long",
               "Errore convertendo MaxNumberFiles in Integer", "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("words") << QByteArray("DXFDWGmode=dwg\nKeepLog=si\nInterattivo=SI\nInterattivo=No\nDXFDWGmode=PDF\nKeepLog= SI")
            << Fields{{"DXFDWGmode", "dwg"}, {"KeepLog", "true"}}
            << QStringList{"Valore DXFDWGmode non riconosciuto: PDF", "Valore KeepLog non riconosciuto:  SI"};
        QTest::newRow("text as it is, code page") << QByteArray("RunStringCMD= a b \r\nRunStringPAR=\r\nRunStringPAR=Citt\xE0")
            << Fields{{"RunString0", " a b "}, {"RunString1", "Città"}} << QStringList{};
        QTest::newRow("saved as UTF-8, mark before the first key") << QByteArray("\xEF\xBB\xBFKeepLog=si\r\nRunStringCMD=Citt\xC3\xA0 \xE2\x82\xAC")
            << Fields{{"KeepLog", "true"}, {"RunString0", "Città €"}} << QStringList{};
        QTest::newRow("folders: taken only if they exist") << QByteArray("DXFOutDirRoot=%DIR%\nJobFileDir=%DIR%\\file\rJobFileDir=")
            << Fields{{"DXFOutDirRoot", "%DIR%"}} << QStringList{"La cartella %DIR%\\file non esiste", "La cartella  non esiste"};
        static const char silent[] = "waittimeout=5\r\n WaitTimeout=5\r\n*WaitTimeout=5\r\n[Client]\r\n\r\nJobExt=.txt\r\nOUTDIR=x\r\n\0WaitTimeout=5";
        QTest::newRow("ignored without a word") << QByteArray(silent, sizeof silent - 1) << Fields{} << QStringList{};
    }
    void reader()
    {
        QFETCH(QByteArray, file);
        QFETCH(Fields, changed);
        QFETCH(QStringList, warnings);
        const QString dir = Native(m_dir.path());
        WriteBytes(m_dir.filePath("file"), "");
        WriteBytes(m_dir.filePath("kivra_client.ini"), file.replace("%DIR%", dir.toLocal8Bit()));
        SettingsRecord s;
        InitDefaults(s);
        TestHost host;
        ReadSettings(dir + "\\kivra_client.ini", s, host);
        QCOMPARE(host.warnings, warnings.replaceInStrings("%DIR%", dir));
        Fields expected = m_defaults;
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            expected[it.key()] = QString(it.value()).replace("%DIR%", dir);
        QCOMPARE(AllFields(s), expected);
    }

    void missingOrUnreadableFile()
    {
        struct UnreadableHost : TestHost {
            bool readLines(const QString&, const std::function<void(const QString&)>&, bool) const override { return false; }
        } unreadable;
        TestHost host;
        SettingsRecord s;
        InitDefaults(s);
        WriteBytes(m_dir.filePath("file"), "");
        ReadSettings(Native(m_dir.path()) + "\\nessuno.ini", s, host);
        ReadSettings(Native(m_dir.path()) + "\\file", s, unreadable);
        // Paths the program built are shown in the host's own form.
        QCOMPARE(host.warnings + unreadable.warnings, (QStringList{m_dir.path() + "/nessuno.ini non esiste",
                                                                   "Impossibile leggere il file " + m_dir.path() + "/file"}));
        QCOMPARE(AllFields(s), m_defaults);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
