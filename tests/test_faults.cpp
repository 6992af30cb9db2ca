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

// Real failures: the kernel refusing a write, a writer killed mid-write, a reader racing the
// writer, and settings files far beyond any sane size. scripts/reliability repeats the first
// ones for the figures in RELIABILITY.md.
class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs;

    QStringList jobFolder() const { return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    static QStringList drawings(int count)
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QString("C:\\Disegni\\Lotto\\pezzo%1.dxf").arg(i);
        return list;
    }

private slots:
    void init()
    {
        m_jobs = m_tmp.filePath("Richieste");
        QDir(m_jobs).removeRecursively();
        QDir().mkpath(m_jobs);
    }

    // A large job fails in write(); a small one only fills a buffer and fails at the flush.
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
        SettingsRecord s;
        InitDefaults(s);
        s.JobFileDir = Native(m_jobs);
        TestHost host;
        QLabel status;
        Watcher watcher(&status, host);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = limit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        const bool started = ConvertAndWait(s, drawings(count), &status, watcher, host);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(started);
        QCOMPARE(host.warnings, QStringList{"Impossibile scrivere il file " + m_jobs
                                            + "/Z_45678.job: scrittura non riuscita (disco pieno o file troppo grande?)"});
        QCOMPARE(status.text() + watcher.watched().WipFilePath, "Preparazione della lista");
        QCOMPARE(jobFolder(), QStringList{});
    }

    // SIGKILL at random moments while a client writes jobs of 32767 drawings: no ".job" name
    // ever holds a partial job; a kill may leave the temporary file, under its own name.
    void killedWhileWriting()
    {
        const int kills = 10;
        const QByteArray last = drawings(32767).last().toLatin1() + "\r\n";
        int checked = 0;
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            writer.start(KIVRA_FAULT_HELPER, {"write", m_jobs, "32767"});
            QVERIFY(writer.waitForStarted());
            QTest::qSleep(20 + QRandomGenerator::global()->bounded(200));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            for (const QString& name : jobFolder()) {
                if (QRegularExpression("^Z_[0-4]\\.job\\.tmp-[0-9a-z]+$").match(name).hasMatch())
                    continue;
                const QByteArray bytes = ReadBytes(m_jobs + "/" + name);
                QVERIFY2(name.endsWith(".job") && bytes.endsWith(last) && bytes.count("\r\n") == 32768, qPrintable(name));
                ++checked;
            }
        }
        qInfo("kills=%d jobs_checked=%d leftovers=%lld", kills, checked, jobFolder().filter(".tmp-").size());
    }

    // A server-like process lists and reads the request folder in a tight loop while this one
    // writes jobs under a handful of names, each taken before it is written again.
    void scannerNeverSeesAPartialJob()
    {
        const int writes = 100, lines = 5000;
        const QString stop = m_tmp.filePath("stop");
        QProcess scanner;
        scanner.start(KIVRA_FAULT_HELPER, {"scan", m_jobs, stop, QString::number(lines)});
        QVERIFY(scanner.waitForStarted());
        SettingsRecord s;
        InitDefaults(s);
        QByteArray job;
        QVERIFY(JobBytes(s, drawings(lines), job).isEmpty());
        for (int i = 0; i < writes; ++i) {
            const QString name = QString("Z_%1").arg(i % 7), path = m_jobs + "/" + name + ".job";
            QFile::remove(path);
            QCOMPARE(WriteJobFile(path, name, job, Host()), QString());
        }
        WriteBytes(stop, "");
        QVERIFY(scanner.waitForFinished(60000));
        const QByteArray report = scanner.readAllStandardOutput().trimmed();
        qInfo("writes=%d %s", writes, report.constData());
        QVERIFY(report.endsWith(" partial=0") && !report.startsWith("opened=0 "));
    }

    // Read as a stream: memory follows the longest line (its bytes, its decoded text, a warning
    // that quotes it), not the size. Each file is read by a process of its own, peak from VmHWM.
    void hostileSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("warnings");
        QTest::addColumn<double>("bound");   // peak memory above an empty run, per byte of file
        QTest::newRow("20 MB value of a key") << "KeepLog=" + QByteArray(20 << 20, 'x') << 1 << 1 << 6.0;
        QTest::newRow("a million lines") << QByteArray("* un commento qualsiasi\r\n") << 1000000 << 0 << 0.1;
    }
    void hostileSettingsFiles()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, repeat);
        QFETCH(int, warnings);
        QFETCH(double, bound);
        const auto peak = [](const QString& ini) {
            QProcess reader;
            reader.start(KIVRA_FAULT_HELPER, {"settings", ini});
            reader.waitForFinished(120000);
            return QString::fromLatin1(reader.readAllStandardOutput().trimmed()).split(' ');
        };
        WriteBytes(m_tmp.filePath("small.ini"), "MaxNumberFiles=4\r\n");
        WriteBytes(m_tmp.filePath("hostile.ini"), line.repeated(repeat));
        const QStringList base = peak(m_tmp.filePath("small.ini")), report = peak(m_tmp.filePath("hostile.ini"));
        QCOMPARE(report.value(0), QString::number(warnings));
        const double perByte = (report.value(1).toDouble() - base.value(1).toDouble()) * 1024 / (line.size() * double(repeat));
        qInfo("%.2f x the file", perByte);
#ifndef KIVRA_SANITIZE
        QVERIFY2(perByte < bound, "memory beyond the bound");
#endif
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
