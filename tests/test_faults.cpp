#include "Request.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

// Real failures: the kernel refusing a write, a writer killed mid-write, a reader racing a
// writer. scripts/reliability repeats the last two for the figures in RELIABILITY.md.
static QByteArray Job(int lines) { return "DXFDWG=DXF\r\n" + QByteArray("C:\\Disegni\\Lotto\\pezzo.dxf\r\n").repeated(lines); }

class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_jobs = m_tmp.filePath("Richieste");

    QStringList jobFolder() const { return QDir(m_jobs).entryList(QDir::Files | QDir::Hidden); }
    void startSecondClient(QProcess& writer, int lines, int count)
    {
        writer.start(QCoreApplication::applicationFilePath(), {"write", m_jobs, QString::number(lines), QString::number(count)});
        QVERIFY(writer.waitForStarted());
    }

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
        WiredRequest wired(host);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit low{16, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &low), 0);
        const bool started = SendAndWait(wired.request, s, {"C:\\a.dxf", "C:\\b.dxf"});
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(started);
        QCOMPARE(host.warnings, QStringList{"Impossibile scrivere il file " + m_jobs
                                            + "/Z_45678.job: scrittura non riuscita (disco pieno o file troppo grande?)"});
        QCOMPARE(wired.status.text() + wired.request.watched().WipFilePath + jobFolder().join(""), "Preparazione della lista");
    }

    // SIGKILL at random moments while a client writes jobs of 32767 drawings: no ".job" name
    // ever holds a partial job; a kill may leave the temporary file, under its own name.
    void killedWhileWriting()
    {
        const QByteArray whole = Job(32767);
        int checked = 0;
        for (int i = 0; i < 10; ++i) {
            QProcess writer;
            startSecondClient(writer, 32767, -1);
            QTest::qSleep(20 + QRandomGenerator::global()->bounded(200));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            for (const QString& name : jobFolder().filter(QRegularExpression("\\.job$"))) {
                QVERIFY2(ReadBytes(m_jobs + "/" + name) == whole, qPrintable(name));
                ++checked;
            }
        }
        qInfo("kills=10 jobs_checked=%d leftovers=%lld", checked, jobFolder().filter(".tmp-").size());
    }

    // A server-like reader lists and reads the request folder in a tight loop while another
    // process writes 100 jobs.
    void scannerNeverSeesAPartialJob()
    {
        const QByteArray whole = Job(5000);
        QProcess writer;
        startSecondClient(writer, 5000, 100);
        int opened = 0, partial = 0;
        while (!writer.waitForFinished(0)) {
            for (const QString& name : QDir(m_jobs).entryList({"*.job"}, QDir::Files)) {
                QFile file(m_jobs + "/" + name);
                if (file.open(QIODevice::ReadOnly))   // else taken between the listing and the open
                    partial += file.readAll() != whole;
                opened += file.isOpen();
            }
        }
        qInfo("writes=100 opened=%d partial=%d", opened, partial);
        QVERIFY(writer.exitCode() == 0 && opened > 0 && partial == 0);
    }
};

// "write DIR LINES COUNT": the second client writes jobs under five names in turn, each name
// freed first as the server frees it; COUNT < 0: until it is killed.
int main(int argc, char* argv[])
{
    if (argc == 5 && QByteArray(argv[1]) == "write") {
        const QByteArray job = Job(atoi(argv[3]));
        for (int i = 0; i != atoi(argv[4]); ++i) {
            const QString name = QString("Z_%1").arg(i % 5), path = QString(argv[2]) + "/" + name + ".job";
            QFile::remove(path);
            if (!WriteJobFile(path, name, job, Host()).isEmpty())
                return 1;
        }
        return 0;
    }
    QApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
