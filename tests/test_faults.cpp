#include "TestHost.h"
#include "request/Convert.h"
#include "request/Watcher.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

// Real failures: the kernel refusing a write, folders that vanish, processes killed mid-write,
// a reader racing the writer, and settings files far beyond any sane size.
class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs;
    SettingsRecord s;
    TestHost host;
    QLabel status;

    QStringList jobFolder() const
    {
        return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    static QStringList drawings(int count)
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("C:\\Disegni\\Lotto\\pezzo%1.dxf").arg(i);
        return list;
    }

    void expectRefusedAsUnsent()
    {
        QCOMPARE(host.warnings.size(), 1);
        QVERIFY2(host.warnings[0].startsWith("Impossibile scrivere il file " + s.JobFilePath + ": "),
                 qPrintable(host.warnings[0]));
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(s.WipFilePath, QString());
        QCOMPARE(s.LogFilePath, QString());
    }

private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        QDir().mkpath(m_tmp.filePath("Richieste"));
        QDir().mkpath(m_tmp.filePath("Uscita"));
        m_jobs = m_tmp.filePath("Richieste");
        InitDefaults(s);
        s.OutFolder.clear();
        s.JobFileDir = Native(m_jobs);
        s.DXFOutDirRoot = Native(m_tmp.filePath("Uscita"));
        host = TestHost();
        host.time = 3600;
    }

    void fileTooLargeForTheKernel()
    {
        // The kernel stops the write at 64 KiB: the same error a full disk gives.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = 64 * 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        Convert(s, drawings(20000), &status, host);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        expectRefusedAsUnsent();
        QCOMPARE(jobFolder(), QStringList{});
        qInfo("refused: %s", qPrintable(host.warnings[0]));
    }

    void requestFolderTrouble_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a regular file") << "file";
        QTest::newRow("removed after a first request") << "removed";
    }
    void requestFolderTrouble()
    {
        QFETCH(QString, trouble);
        if (trouble == "removed") {
            Convert(s, drawings(2), &status, host);
            QCOMPARE(host.warnings, QStringList{});
            QVERIFY(QDir(m_jobs).removeRecursively());
        } else if (trouble == "missing") {
            QVERIFY(QDir(m_jobs).removeRecursively());
        } else {
            QVERIFY(QDir(m_jobs).removeRecursively());
            WriteBytes(m_jobs, "not a folder");
        }
        host.time = 3601;
        Convert(s, drawings(2), &status, host);
        expectRefusedAsUnsent();
        WatchTick(s, &status, host);   // nothing to watch: the list stays ready to send again
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden),
                 trouble == "file" ? QStringList{"Richieste"} : QStringList{});
    }

    void outputFolderParentMissingIsQuiet()
    {
        s.DXFOutDirRoot = Native(m_tmp.filePath("nessuna/radice"));
        s.OutFolder = "Lotto7";
        Convert(s, drawings(1), &status, host);
        QCOMPARE(host.warnings, QStringList{});
        for (int i = 0; i < 3; ++i) {
            host.statusCalls = 0;
            WatchTick(s, &status, host);
            QVERIFY(host.statusCalls <= 2);
        }
        QCOMPARE(status.text(), "Richiesta inviata al server");
    }

    // SIGKILL at random moments while a client writes jobs of 32767 drawings: no ".job" name
    // ever holds a partial job.
    void killedWhileWriting()
    {
        const int kills = 100;
        const QByteArray last = drawings(32767).last().toLatin1() + "\r\n";
        QRandomGenerator random(20261206);
        int jobsChecked = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            writer.start(KIVRA_FAULT_HELPER, {"write", m_jobs, "32767"});
            QVERIFY(writer.waitForStarted());
            QTest::qSleep(20 + random.bounded(200));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            for (const QString& name : jobFolder()) {
                if (!name.endsWith(".job"))
                    continue;
                const QByteArray bytes = ReadBytes(m_jobs + "/" + name);
                QVERIFY2(bytes.endsWith(last) && bytes.count("\r\n") == 32768,
                         qPrintable(name + " is partial after kill " + QString::number(i)));
                ++jobsChecked;
            }
        }
        const QStringList leftovers = jobFolder().filter(QRegularExpression("^(?!.*\\.job$)"));
        qInfo("%d kills in %lld ms; %d job files checked, all complete; %d temporary leftovers",
              kills, clock.elapsed(), jobsChecked, int(leftovers.size()));
        for (const QString& name : leftovers)
            QVERIFY2(!name.endsWith(".job"), qPrintable(name));
    }

    // A server-like process lists and reads the request folder in a tight loop while this
    // process writes a thousand large jobs under a handful of names.
    void scannerNeverSeesAPartialJob()
    {
        const int jobs = 1000, lines = 5000;
        const QString stop = m_tmp.filePath("stop");
        QProcess scanner;
        scanner.start(KIVRA_FAULT_HELPER, {"scan", m_jobs, stop, QString::number(lines)});
        QVERIFY(scanner.waitForStarted());
        const QStringList list = drawings(lines);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < jobs; ++i) {
            host.time = i % 7;
            Convert(s, list, &status, host);
            QVERIFY(host.warnings.isEmpty());
        }
        const qint64 writing = clock.elapsed();
        WriteBytes(stop, "");
        QVERIFY(scanner.waitForFinished(60000));
        const QByteArray report = scanner.readAllStandardOutput().trimmed();
        qInfo("%d jobs of %d lines written in %lld ms; scanner: %s", jobs, lines, writing,
              report.constData());
        QCOMPARE(scanner.exitCode(), 0);
        QVERIFY(report.startsWith("opened=") && !report.startsWith("opened=0 "));
    }

    // Each file is read by a separate process whose peak memory is measured.
    void hostileSettingsFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("warnings");
        QTest::newRow("100 MB on one line") << "oneline" << 0;
        QTest::newRow("100 MB value of a key") << "onekey" << 1;
        QTest::newRow("a million lines") << "million" << 1000;
        QTest::newRow("only NUL bytes") << "nul" << 0;
        QTest::newRow("invalid text") << "garbage" << 0;
        QTest::newRow("every key ten thousand times") << "keys" << 20000;
    }
    void hostileSettingsFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, warnings);
        QByteArray file;
        if (kind == "oneline") {
            file = "DXFDWGmode" + QByteArray(100 << 20, 'x');
        } else if (kind == "onekey") {
            file = "DXFDWGmode=" + QByteArray(100 << 20, 'x');
        } else if (kind == "million") {
            file.reserve(20 << 20);
            for (int i = 0; i < 1000000; ++i)
                file += i % 1000 == 0 ? "MaxNumberFiles=tanti\r\n" : "Commento qualsiasi\r\n";
        } else if (kind == "nul") {
            file = QByteArray(10 << 20, '\0');
        } else if (kind == "garbage") {
            file.resize(10 << 20);
            QRandomGenerator random(7);
            random.fillRange(reinterpret_cast<quint32*>(file.data()), file.size() / 4);
            file.replace('\r', '#').replace('\n', '#').prepend("#");   // one line, no key
        } else {
            const char* keys[] = {"WaitTimeout=5", "StuckConverterTimeout=5", "DXFOutDirRoot=q:\\",
                                  "JobFileDir=q:\\", "RunStringCMD=x", "RunStringPAR=y",
                                  "DXFDWGmode=dwg", "MaxNumberFiles=4", "KeepLog=si",
                                  "Interattivo=no"};
            for (int i = 0; i < 10000; ++i)
                for (const char* key : keys)
                    file += QByteArray(key) + "\r\n";
        }
        const QString path = m_tmp.filePath("hostile.ini");
        WriteBytes(path, file);

        const auto run = [](const QString& ini) {
            QProcess reader;
            reader.start(KIVRA_FAULT_HELPER, {"settings", ini});
            reader.waitForFinished(120000);
            return QString::fromLatin1(reader.readAllStandardOutput().trimmed());
        };
        WriteBytes(m_tmp.filePath("small.ini"), "MaxNumberFiles=4\r\n");
        const qint64 baseKb = run(m_tmp.filePath("small.ini")).section("peak_kb=", 1).toLongLong();
        const QString report = run(path);
        const qint64 peakKb = report.section("peak_kb=", 1).toLongLong();

        QCOMPARE(report.section(' ', 0, 0), "warnings=" + QString::number(warnings));
        const double perByte = double((peakKb - baseKb) * 1024) / file.size();
        qInfo("%s: %lld bytes, %d warnings, peak %lld kB (%lld kB above an empty run, %.2f x the file)",
              qPrintable(kind), qint64(file.size()), warnings, peakKb, peakKb - baseKb, perByte);
#ifndef KIVRA_SANITIZE
        // The file, one decoded line (two bytes a character) and a warning that quotes it whole.
        QVERIFY2(perByte < 6.0, "memory beyond six times the file's size");
#endif
    }

};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
