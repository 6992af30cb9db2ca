// A second process for the fault tests: a client that writes jobs until it is killed, a scanner
// that reads every job it sees while another process writes them, and a settings reader that
// reports its peak memory.
#include "TestHost.h"
#include "request/JobFile.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

QStringList Drawings(int count)
{
    QStringList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("C:\\Disegni\\Lotto\\pezzo%1.dxf").arg(i);
    return list;
}

// Writes jobs of `count` drawings into dir under five names in turn, forever; a name is freed
// before it is written again, as the server frees it by taking the job.
int WriteForever(const QString& dir, int count)
{
    SettingsRecord s;
    InitDefaults(s);
    QByteArray job;
    JobBytes(s, Drawings(count), job);
    const Host host;
    for (int i = 0;; ++i) {
        const QString name = QStringLiteral("Z_%1").arg(i % 5);
        const QString path = QDir(dir).filePath(name + QStringLiteral(".job"));
        QFile::remove(path);
        const QString warning = WriteJobFile(path, name, job, host);
        if (!warning.isEmpty()) {
            fprintf(stderr, "%s\n", qPrintable(warning));
            return 1;
        }
    }
}

// Reads every .job in dir over and over until stopFile exists; a job is complete when every
// line ends in CR LF and the last is the last drawing of `count`.
int Scan(const QString& dir, const QString& stopFile, int count)
{
    const QByteArray last = QStringLiteral("C:\\Disegni\\Lotto\\pezzo%1.dxf\r\n").arg(count - 1).toLatin1();
    long opened = 0, partial = 0;
    while (!QFile::exists(stopFile)) {
        for (const QString& name : QDir(dir).entryList(QDir::Files)) {
            if (!name.endsWith(QLatin1String(".job")))
                continue;
            QFile job(QDir(dir).filePath(name));
            if (!job.open(QIODevice::ReadOnly))
                continue;   // replaced between the listing and the open
            const QByteArray bytes = job.readAll();
            ++opened;
            if (!bytes.endsWith(last) || bytes.count('\n') != count + 1
                || bytes.count("\r\n") != count + 1)
                ++partial;
        }
    }
    printf("opened=%ld partial=%ld\n", opened, partial);
    return partial == 0 ? 0 : 1;
}

int ReadSettingsFile(const QString& path)
{
    SettingsRecord s;
    InitDefaults(s);
    TestHost host;
    ReadSettings(path, s, host);
    // The high-water mark of this process alone (ru_maxrss would carry the parent's over exec).
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    QByteArray peak;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            peak = line.mid(6).trimmed().split(' ').first();
    printf("warnings=%lld peak_kb=%s\n", static_cast<long long>(host.warnings.size()), peak.constData());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("write"))
        return WriteForever(args[1], args[2].toInt());
    if (args.size() == 4 && args[0] == QLatin1String("scan"))
        return Scan(args[1], args[2], args[3].toInt());
    if (args.size() == 2 && args[0] == QLatin1String("settings"))
        return ReadSettingsFile(args[1]);
    fprintf(stderr, "uso: kivra_fault_helper write DIR N | scan DIR STOPFILE N | settings FILE\n");
    return 2;
}
