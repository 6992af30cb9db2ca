#include "TestHost.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

// Real failures: the kernel refusing a write, a writer killed mid-write, a reader racing the
// writer. scripts/reliability repeats the last two for the figures in RELIABILITY.md.
static QStringList Drawings(int count) { return QStringList(count, "C:\\Disegni\\Lotto\\pezzo.dxf"); }

static QByteArray Job(int count) { return "DXFDWG=DXF\r\n" + QByteArray("C:\\Disegni\\Lotto\\pezzo.dxf\r\n").repeated(count); }

// The second processes: a client writing jobs under five names in turn until it is killed (a
// name freed first, as the server frees it), and a scanner that reads every job it sees.
static int WriteForever(const QString& dir, int count)
{
    const QByteArray job = Job(count);
    for (int i = 0;; ++i) {
        const QString name = QString("Z_%1").arg(i % 5), path = dir + "/" + name + ".job";
        QFile::remove(path);
        if (!WriteJobFile(path, name, job, Host()).isEmpty())
            return 1;
    }
}

static int Scan(const QString& dir, const QString& stopFile, int count)
{
    const QByteArray job = Job(count);
    long opened = 0, partial = 0;
    while (!QFile::exists(stopFile)) {
        for (const QString& name : QDir(dir).entryList({"*.job"}, QDir::Files)) {
            QFile file(dir + "/" + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;   // taken between the listing and the open
            partial += file.readAll() != job;
            ++opened;
        }
    }
    printf("opened=%ld partial=%ld\n", opened, partial);
    return 0;
}

class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs = m_tmp.filePath("Richieste");

    QStringList jobFolder() const { return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden | QDir::System); }

private slots:
    void init()
    {
        QDir(m_jobs).removeRecursively();
        QDir().mkpath(m_jobs);
    }

    // The kernel refuses the job's bytes (a 16-byte file limit): no job, status 1, the warning.
    void diskFull()
    {
        SettingsRecord s;
        InitDefaults(s);
        s.JobFileDir = Native(m_jobs);
        TestHost host;
        QLabel status;
        Watcher watcher(&status, host);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit low = saved;
        low.rlim_cur = 16;
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        const bool started = ConvertAndWait(s, Drawings(2), &status, watcher, host);
        setrlimit(RLIMIT_FSIZE, &saved);
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
        const QByteArray whole = Job(32767);
        int checked = 0;
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {"write", m_jobs, "32767"});
            QVERIFY(writer.waitForStarted());
            QTest::qSleep(20 + QRandomGenerator::global()->bounded(200));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            for (const QString& name : jobFolder()) {
                if (QRegularExpression("^Z_[0-4]\\.job\\.tmp-[0-9a-z]+$").match(name).hasMatch())
                    continue;
                QVERIFY2(name.endsWith(".job") && ReadBytes(m_jobs + "/" + name) == whole, qPrintable(name));
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
        scanner.start(QCoreApplication::applicationFilePath(), {"scan", m_jobs, stop, QString::number(lines)});
        QVERIFY(scanner.waitForStarted());
        const QByteArray job = Job(lines);
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
};

int main(int argc, char* argv[])
{
    if (argc == 4 && !strcmp(argv[1], "write"))
        return WriteForever(argv[2], atoi(argv[3]));
    if (argc == 5 && !strcmp(argv[1], "scan"))
        return Scan(argv[2], argv[3], atoi(argv[4]));
    QApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
