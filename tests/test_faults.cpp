#include "TestHost.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

// Real failures: the kernel refusing a write, folders that vanish, processes killed mid-write,
// a reader racing the writer, and settings files far beyond any sane size.
class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs;
    SettingsRecord s;
    std::unique_ptr<TestHost> host;
    QLabel status;
    std::unique_ptr<Watcher> watcher;

    bool convert(const QStringList& drawings)
    {
        return ConvertAndWait(s, drawings, &status, *watcher, *host);
    }

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
        QCOMPARE(host->warnings.size(), 1);
        QVERIFY2(host->warnings[0].startsWith("Impossibile scrivere il file " + m_jobs + "/Z_"),
                 qPrintable(host->warnings[0]));
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(watcher->watched().WipFilePath, QString());
        QCOMPARE(watcher->watched().LogFilePath, QString());
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
        host = std::make_unique<TestHost>();
        host->time = 3600;
        watcher = std::make_unique<Watcher>(&status, *host);
    }

    // The kernel stops the write at the limit: the same error a full disk gives. A large job
    // fails in write(); a small one only fills a buffer and fails when it is flushed.
    void fileTooLargeForTheKernel_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("limit");
        QTest::newRow("large job, 64 KiB") << 20000 << 64 * 1024;
        QTest::newRow("small job, 16 bytes") << 2 << 16;
    }
    void fileTooLargeForTheKernel()
    {
        QFETCH(int, count);
        QFETCH(int, limit);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = limit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        const bool started = convert(drawings(count));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(started);
        expectRefusedAsUnsent();
        QCOMPARE(jobFolder(), QStringList{});
        qInfo("refused: %s", qPrintable(host->warnings[0]));
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
            QVERIFY(convert(drawings(2)));
            QCOMPARE(host->warnings, QStringList{});
            QVERIFY(QDir(m_jobs).removeRecursively());
        } else if (trouble == "missing") {
            QVERIFY(QDir(m_jobs).removeRecursively());
        } else {
            QVERIFY(QDir(m_jobs).removeRecursively());
            WriteBytes(m_jobs, "not a folder");
        }
        host->time = 3601;
        QVERIFY(convert(drawings(2)));
        expectRefusedAsUnsent();
        QVERIFY(TickAndWait(*watcher));   // nothing to watch: the list stays ready to send again
        QCOMPARE(status.text(), "Preparazione della lista");
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden),
                 trouble == "file" ? QStringList{"Richieste"} : QStringList{});
    }

    void outputFolderParentMissingIsQuiet()
    {
        s.DXFOutDirRoot = Native(m_tmp.filePath("nessuna/radice"));
        s.OutFolder = "Lotto7";
        QVERIFY(convert(drawings(1)));
        QCOMPARE(host->warnings, QStringList{});
        for (int i = 0; i < 3; ++i) {
            host->statusCalls = 0;
            QVERIFY(TickAndWait(*watcher));
            QCOMPARE(host->statusCalls, 2);
        }
        QCOMPARE(status.text(), "Richiesta inviata al server");
    }

    // SIGKILL at random moments while a client writes jobs of 32767 drawings: no ".job" name
    // ever holds a partial job. A kill may leave the temporary file, under its own name.
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
        const QRegularExpression temporary("^Z_[0-4]\\.job\\.tmp-[0-9a-z]+$");
        for (const QString& name : leftovers)
            QVERIFY2(temporary.match(name).hasMatch(), qPrintable(name));
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
        QByteArray job;
        QVERIFY(JobBytes(s, drawings(lines), job).isEmpty());
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < jobs; ++i) {
            // The server takes each job; the next one of that name then finds the name free.
            const QString name = QString("Z_%1").arg(i % 7), path = m_jobs + "/" + name + ".job";
            QFile::remove(path);
            QCOMPARE(WriteJobFile(path, name, job, *host), QString());
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

    // Each file is read by a separate process whose peak memory is measured. The file is read as
    // a stream: memory grows with its longest line (its bytes, then two bytes a character once
    // decoded, and a warning that quotes it whole), not with its size.
    void hostileSettingsFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("warnings");
        QTest::addColumn<double>("bound");   // peak memory above an empty run, per byte of file
        QTest::newRow("100 MB on one line") << "oneline" << 0 << 6.0;
        QTest::newRow("100 MB value of a key") << "onekey" << 1 << 6.0;
        QTest::newRow("a million lines") << "million" << 1000 << 0.1;
        QTest::newRow("only NUL bytes") << "nul" << 0 << 6.0;
        QTest::newRow("invalid text") << "garbage" << 0 << 6.0;
        QTest::newRow("every key ten thousand times") << "keys" << 20000 << 2.0;   // the warnings kept
    }
    void hostileSettingsFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, warnings);
        QFETCH(double, bound);
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
            const QByteArray missing = Native(m_tmp.filePath("assente")).toUtf8();
            const QByteArray keys[] = {"WaitTimeout=5", "StuckConverterTimeout=5",
                                       "DXFOutDirRoot=" + missing, "JobFileDir=" + missing,
                                       "RunStringCMD=x", "RunStringPAR=y", "DXFDWGmode=dwg",
                                       "MaxNumberFiles=4", "KeepLog=si", "Interattivo=no"};
            for (int i = 0; i < 10000; ++i)
                for (const QByteArray& key : keys)
                    file += key + "\r\n";
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
        QVERIFY2(perByte < bound, "memory beyond the bound");
#endif
    }

};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
