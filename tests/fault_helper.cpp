// The second process of the fault tests: a client that writes jobs until it is killed, a scanner
// that reads every job it sees while another process writes them, and a settings reader that
// reports its warnings and peak memory.
#include "TestHost.h"
#include "request/JobFile.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <cstdio>

namespace {

QByteArray Job(int count)
{
    QStringList drawings;
    for (int i = 0; i < count; ++i)
        drawings << QStringLiteral("C:\\Disegni\\Lotto\\pezzo%1.dxf").arg(i);
    SettingsRecord s;
    InitDefaults(s);
    QByteArray job;
    JobBytes(s, drawings, job);
    return job;
}

// Under five names in turn, forever; a name is freed first, as the server frees it.
int WriteForever(const QString& dir, int count)
{
    const QByteArray job = Job(count);
    for (int i = 0;; ++i) {
        const QString name = QStringLiteral("Z_%1").arg(i % 5), path = dir + QLatin1Char('/') + name + QStringLiteral(".job");
        QFile::remove(path);
        if (!WriteJobFile(path, name, job, Host()).isEmpty())
            return 1;
    }
}

// Every .job, over and over until stopFile exists; partial unless it is the whole job.
int Scan(const QString& dir, const QString& stopFile, int count)
{
    const QByteArray job = Job(count);
    long opened = 0, partial = 0;
    while (!QFile::exists(stopFile)) {
        for (const QString& name : QDir(dir).entryList({QStringLiteral("*.job")}, QDir::Files)) {
            QFile file(dir + QLatin1Char('/') + name);
            if (file.open(QIODevice::ReadOnly)) {   // else taken between the listing and the open
                partial += file.readAll() != job;
                ++opened;
            }
        }
    }
    printf("opened=%ld partial=%ld\n", opened, partial);
    return 0;
}

int ReadSettingsFile(const QString& path)
{
    SettingsRecord s;
    InitDefaults(s);
    TestHost host;
    ReadSettings(path, s, host);
    // This process's own high-water mark (ru_maxrss would carry the parent's over exec).
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray all = status.readAll();
    const qsizetype at = all.indexOf("VmHWM:") + 6;
    printf("%lld %s\n", static_cast<long long>(host.warnings.size()), all.mid(at, all.indexOf(" kB", at) - at).trimmed().constData());
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
