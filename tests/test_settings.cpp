#include "TestHost.h"
#include "settings/EditSettings.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

using Fields = QMap<QString, QString>;

// The fields the rows change, as text: one comparison shows what a file changed and left alone.
static Fields Readable(const SettingsRecord& s)
{
    return {{"WaitTimeout", QString::number(s.WaitTimeout)},
            {"StuckConverterTimeout", QString::number(s.StuckConverterTimeout)},
            {"JobFileDir", s.JobFileDir},
            {"DXFOutDirRoot", s.DXFOutDirRoot},
            {"RunString1", s.RunString[1]},
            {"MaxNumberFiles", QString::number(s.MaxNumberFiles)},
            {"modes", s.DXFDWGmode + " " + QString::number(s.KeepLog) + QString::number(s.Interattivo)}};
}

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // Each row: the file (%DIR% is an existing folder), the fields it changes, the warnings in order.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Fields>("changed");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("zero means the default; code page")
            << QByteArray("WaitTimeout=0\nStuckConverterTimeout=0\nRunStringPAR=Citt\xE0")
            << Fields{{"WaitTimeout", "10000"}, {"StuckConverterTimeout", "30"}, {"RunString1", "Città"}}
            << QStringList{};
        static const char refused[] =
            "WaitTimeout=2147484\nWaitTimeout=\nWaitTimeout=2.5\nWaitTimeout=0x10\nWaitTimeout=- 5\n"
            "WaitTimeout=5\0\nStuckConverterTimeout=-2147483648\nMaxNumberFiles=9\n"
            "MaxNumberFiles=32768\nMaxNumberFiles=x";
        QTest::newRow("numbers refused, earlier value kept")
            << QByteArray(refused, sizeof refused - 1) << Fields{{"MaxNumberFiles", "9"}}
            << QStringList(6, "Errore convertendo WaitTimeout in Long")
                + QStringList{"Errore convertendo StuckConverterTimeout in Long",
                              "Errore convertendo MaxNumberFiles in Integer",
                              "Errore convertendo MaxNumberFiles in Integer"};
        QTest::newRow("words in any case")
            << QByteArray("DXFDWGmode=dwg\nKeepLog=si\nInterattivo=Si") << Fields{{"modes", "dwg 11"}} << QStringList{};
        QTest::newRow("utf-8 without a mark, as Linux editors save it")
            << QByteArray("RunStringPAR=Citt\xC3\xA0 \xE2\x82\xAC") << Fields{{"RunString1", "Città €"}}
            << QStringList{};
        QTest::newRow("utf-8 by its mark, a wrong byte replaced")
            << QByteArray("\xEF\xBB\xBFRunStringPAR=Citt\xC3\xA0 \xE0\r\n") << Fields{{"RunString1", "Città \uFFFD"}}
            << QStringList{};
        QTest::newRow("folders: taken only if they exist, as named")
            << QByteArray("DXFOutDirRoot=%DIR%\nJobFileDir=%DIR%\\file\rJobFileDir=\n"
                          "JobFileDir=%DIR% \nJobFileDir=%DIR%\\.\nJobFileDir=%DIR%\\cartella.")
            << Fields{{"DXFOutDirRoot", "%DIR%"}, {"JobFileDir", "%DIR%\\."}}
            << QStringList{"La cartella %DIR%\\file non esiste", "La cartella  non esiste",
                           "La cartella %DIR%  non esiste", "La cartella %DIR%\\cartella. non esiste"};
        static const char silent[] =
            "waittimeout=5\r\n WaitTimeout=5\r\n*WaitTimeout=5\r\n[Client]\r\nJobExt=.txt\r\n\0WaitTimeout=5";
        QTest::newRow("ignored without a word") << QByteArray(silent, sizeof silent - 1) << Fields{} << QStringList{};
    }
    void reader()
    {
        QFETCH(QByteArray, file);
        QFETCH(Fields, changed);
        QFETCH(QStringList, warnings);
        const QString dir = Native(m_dir.path());
        WriteBytes(m_dir.filePath("file"), "");
        QDir().mkpath(m_dir.filePath("cartella."));   // on Windows, "cartella"
        WriteBytes(m_dir.filePath("kivra_client.ini"), file.replace("%DIR%", dir.toLocal8Bit()));
        SettingsRecord s;
        InitDefaults(s);
        Fields expected = Readable(s);
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            expected[it.key()] = QString(it.value()).replace("%DIR%", dir);
        TestHost host;
        ReadSettings(dir + "\\kivra_client.ini", s, host);
        QCOMPARE(host.warnings, warnings.replaceInStrings("%DIR%", dir));
        QCOMPARE(Readable(s), expected);
    }

    // A NAS slow at logon: a folder whose look fails, or hangs past 3 s, keeps its value and is told once;
    // one that is surely missing is still refused.
    void lateFolders()
    {
        for (const bool hangs : {false, true}) {
            TestHost host;
            host.badShare = m_dir.filePath("nas"), host.failing = !hangs;
            std::unique_lock hung(host.gate, std::defer_lock);
            if (hangs)
                hung.lock();
            const QString nas = Native(host.badShare) + "\\Uscita", missing = Native(m_dir.filePath("manca"));
            WriteBytes(m_dir.filePath("kivra_client.ini"),
                       ("DXFOutDirRoot=" + nas + "\nJobFileDir=" + missing).toUtf8());
            SettingsRecord s;
            InitDefaults(s);
            ReadSettings(Native(m_dir.filePath("kivra_client.ini")), s, host);
            QCOMPARE(host.warnings,
                     (QStringList{"La cartella " + nas + " non risponde: verrà usata appena raggiungibile",
                                  "La cartella " + missing + " non esiste"}));
            QCOMPARE(s.DXFOutDirRoot + " " + s.JobFileDir + " " + s.JobFileDirRefused, nas + " y:\\Richieste " + missing);
        }
    }

    // Keys given at install time go where they stand: the active line's value replaced (the last, which the reader
    // applies), else the commented line made active, else a line at the end; every other byte kept, line ends
    // included. Values go in as the file is written; one the code page cannot hold refuses the edit.
    void editedInPlace()
    {
        const QByteArray file = "* nota\r\n*JobFileDir=y:\\R\r\nMaxNumberFiles=3\r\n*MaxNumberFiles=9\r\nMaxNumberFiles=5";
        QCOMPARE(SetSettingsKeys(file, {{"JobFileDir", "\\\\srv\\cad"}, {"MaxNumberFiles", "7"}, {"KeepLog", "SI"}}),
                 "* nota\r\nJobFileDir=\\\\srv\\cad\r\nMaxNumberFiles=3\r\n*MaxNumberFiles=9\r\nMaxNumberFiles=7\r\nKeepLog=SI\r\n");
        QCOMPARE(SetSettingsKeys("\xEF\xBB\xBFRunStringPAR=x\n", {{"RunStringPAR", "Citt\u00E0"}}),
                 "\xEF\xBB\xBFRunStringPAR=Citt\xC3\xA0\n");
        QCOMPARE(SetSettingsKeys("RunStringPAR=x\rKeepLog=NO\r", {{"RunStringPAR", "Citt\u00E0 "}}),
                 "RunStringPAR=Citt\xE0 \rKeepLog=NO\r");
        QVERIFY(!SetSettingsKeys("", {{"RunStringPAR", "\u56FE"}}));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
