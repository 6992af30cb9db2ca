#include "Request.h"
#include "settings/Settings.h"

#include <QtTest>

#include <utime.h>

// A request on a real SMB share, as a Linux file manager mounts it (test_share_mount sets it up):
// KIVRA_SHARE is the share as the client sees it, KIVRA_SHARE_DISK the server's own folder,
// where the marks are made as the server makes them. The share keeps whole seconds and caches
// what it saw for about a second, so the status is awaited over several ticks.
class TestShare : public QObject {
    Q_OBJECT
    const QString m_share = qEnvironmentVariable("KIVRA_SHARE"), m_disk = qEnvironmentVariable("KIVRA_SHARE_DISK");
    SettingsRecord s;
    TestHost host;

    bool statusBecomes(WiredRequest& wired, const QString& caption)
    {
        return QTest::qWaitFor([&] { return TickAndWait(wired.request, host) && wired.status.text() == caption; }, 10000);
    }

private slots:
    void init()
    {
        if (m_share.isEmpty())
            QSKIP("no share mounted");
        for (const QFileInfo& entry : QDir(m_disk).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            entry.isDir() ? QDir(entry.filePath()).removeRecursively() : QFile::remove(entry.filePath());
        QDir().mkpath(m_disk + "/Lotto7");
        InitDefaults(s);
        s.JobFileDir = m_share;
        s.DXFOutDirRoot = m_share;
        s.OutFolder = "Lotto7";
    }

    // Published whole through the share; a waiting job of the same name is never replaced.
    void publication()
    {
        WiredRequest wired(host);
        QVERIFY(SendAndWait(wired.request, s, {"a"}));
        QVERIFY2(host.warnings.isEmpty(), qPrintable(host.warnings.join("")));
        QCOMPARE(ReadBytes(m_disk + "/Z_45678.job"), "OUTDIR=Lotto7\r\nDXFDWG=DXF\r\na\r\n");
        QVERIFY(SendAndWait(wired.request, s, {"b"}));
        QCOMPARE(host.warnings.size(), 1);
        QCOMPARE(ReadBytes(m_disk + "/Z_45678.job"), "OUTDIR=Lotto7\r\nDXFDWG=DXF\r\na\r\n");
        QCOMPARE(QDir(m_disk).entryList(QDir::Files).size(), 1);
    }

    // Yesterday's log is not done; the server's marks are followed to the end.
    void followsTheServer()
    {
        const QString log = m_disk + "/Lotto7/Z_45678.log";
        WriteBytes(log, "ieri");
        const utimbuf yesterday{time(nullptr) - 86400, time(nullptr) - 86400};
        QCOMPARE(utime(QFile::encodeName(log).constData(), &yesterday), 0);
        WiredRequest wired(host);
        QVERIFY(SendAndWait(wired.request, s, {"a"}));
        QTest::qWait(1500);
        QVERIFY(TickAndWait(wired.request, host));
        QCOMPARE(wired.status.text(), "Richiesta inviata al server");
        WriteBytes(m_disk + "/Z_45678.wip", "");
        QVERIFY(statusBecomes(wired, "Conversione in corso..."));
        WriteBytes(log, "oggi");
        QFile::remove(m_disk + "/Z_45678.wip");
        QVERIFY(statusBecomes(wired, "File convertiti."));
    }
};

QTEST_MAIN(TestShare)
#include "test_share.moc"
