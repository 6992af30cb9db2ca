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

// Real failures: the kernel refusing a write, a writer killed mid-write, a reader racing a
// writer. scripts/reliability repeats the last two for the figures in RELIABILITY.md.
static QStringList Drawings(int count) { return QStringList(count, "C:\\Disegni\\Lotto\\pezzo.dxf"); }

static QByteArray Job(int count) { return "DXFDWG=DXF\r\n" + QByteArray("C:\\Disegni\\Lotto\\pezzo.dxf\r\n").repeated(count); }

// The second process: a client writing jobs under five names in turn, each name freed first as
// the server frees it; count < 0: until it is killed.
static int WriteJobs(const QString& dir, int lines, int count)
{
    const QByteArray job = Job(lines);
    for (int i = 0; i != count; ++i) {
        const QString name = QString("Z_%1").arg(i % 5), path = dir + "/" + name + ".job";
        QFile::remove(path);
        if (!WriteJobFile(path, name, job, Host()).isEmpty())
            return 1;
    }
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
            writer.start(QCoreApplication::applicationFilePath(), {"write", m_jobs, "32767", "-1"});
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

    // A server-like reader lists and reads the request folder in a tight loop while another
    // process writes 100 jobs.
    void scannerNeverSeesAPartialJob()
    {
        const QByteArray whole = Job(5000);
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {"write", m_jobs, "5000", "100"});
        QVERIFY(writer.waitForStarted());
        int opened = 0, partial = 0;
        while (!writer.waitForFinished(0)) {
            for (const QString& name : QDir(m_jobs).entryList({"*.job"}, QDir::Files)) {
                QFile file(m_jobs + "/" + name);
                if (!file.open(QIODevice::ReadOnly))
                    continue;   // taken between the listing and the open
                partial += file.readAll() != whole;
                ++opened;
            }
        }
        qInfo("writes=100 opened=%d partial=%d", opened, partial);
        QVERIFY(writer.exitCode() == 0 && opened > 0 && partial == 0);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 5 && !strcmp(argv[1], "write"))
        return WriteJobs(argv[2], atoi(argv[3]), atoi(argv[4]));
    QApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
