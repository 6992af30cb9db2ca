// The client's time on what users wait for, each beside a floor measured in the same run: what
// the same work costs when done the plainest way Qt offers. Medians of several rounds.
#include "Request.h"
#include "Window.h"
#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/HostPath.h"
#include "platform/OneWindow.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int kRounds = 31;

double Median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Ms(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

// The client's round and the floor's in turn, so that a drift of the machine weighs on both;
// prepare() runs untimed before each client round.
void Compare(
    const char* figure, const std::function<void()>& client, const std::function<void()>& floor,
    const std::function<void()>& prepare = [] {})
{
    QList<double> clientMs, floorMs;
    for (int i = 0; i < kRounds; ++i) {
        prepare();
        clientMs << Ms(client);
        floorMs << Ms(floor);
    }
    const double c = Median(clientMs), f = Median(floorMs);
    printf("%-34s client %9.2f ms   floor %9.2f ms   ratio %.2f\n", figure, c, f, c / f);
    fflush(stdout);
}

void Report(const char* figure, double client, double floor, const char* unit)
{
    printf("%-34s client %9.2f %s   floor %9.2f %s   ratio %.2f\n", figure, client, unit, floor, unit, client / floor);
    fflush(stdout);
}

// A host that counts warnings instead of showing them; files are real.
struct QuietHost : Host {
    int warnings = 0;
    void showWarning(const QString&) override { ++warnings; }
};

QStringList Paths(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << QStringLiteral("/srv/disegni/lotto%1/pezzo%2.dxf").arg(i % 10).arg(i);
    return paths;
}

// A program folder whose settings file points at folders in dir.
QString ProgramFolder(const QTemporaryDir& dir)
{
    for (const char* sub : {"programma", "Richieste", "Uscita"})
        QDir().mkpath(dir.filePath(QLatin1String(sub)));
    QFile ini(dir.filePath(QStringLiteral("programma/kivra_client.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("JobFileDir=" + dir.filePath(QStringLiteral("Richieste")).toUtf8()
              + "\r\nDXFOutDirRoot=" + dir.filePath(QStringLiteral("Uscita")).toUtf8() + "\r\nMaxNumberFiles=-1\r\n");
    return dir.filePath(QStringLiteral("programma"));
}

void DropAndConvert()
{
    QTemporaryDir dir;
    QuietHost host;
    SettingsRecord settings;
    frmClient window(settings, host, ProgramFolder(dir));
    const QStringList paths = Paths(DrawingList::Capacity);
    auto* list = Control<DrawingList>(window, "ListV");
    auto* convertButton = Control<QPushButton>(window, "CmdOut");

    QMimeData* data = nullptr;
    Compare(
        "drop of 32767 paths", [&] { DragAndDrop(window, data); },
        [&] {
            // The same paths into a bare tree, in one batch of items.
            QTreeWidget tree;
            QList<QTreeWidgetItem*> items;
            items.reserve(paths.size());
            for (const QString& path : paths)
                items << new QTreeWidgetItem(QStringList{path});
            tree.addTopLevelItems(items);
        },
        [&] {
            list->clear();
            data = FileData(paths);   // made by the desktop before the drop
        });

    // The floor writes the bytes of the client's job, read back from its first one.
    host.warnings = 0;
    QByteArray bytes;
    const auto convert = [&] {
        convertButton->click();
        while (!convertButton->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    convert();
    QFile written(HostPath(settings.JobFilePath));
    written.open(QIODevice::ReadOnly);
    bytes = written.readAll();
    if (host.warnings != 0 || bytes.count("\r\n") != DrawingList::Capacity + 1) {
        fprintf(stderr, "Converti did not write the whole job\n");
        exit(1);
    }
    Compare(
        "Converti with 32767 drawings", convert,
        [&] {
            QSaveFile file(dir.filePath(QStringLiteral("floor.job")));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            file.commit();
        },
        [&] { QFile::remove(HostPath(settings.JobFilePath)); });
}

void SettingsReader()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kivra_client.ini"));
    QByteArray text;
    for (int i = 0; i < 10000; ++i)
        text += i % 10 == 0 ? "MaxNumberFiles=12\r\n"
            : i % 10 == 1   ? "DXFDWGmode=dwg\r\n"
                            : "* commento: una riga qualsiasi del file di configurazione\r\n";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    file.close();

    Compare(
        "settings reader, 10000 lines",
        [&] {
            QuietHost host;
            SettingsRecord s;
            InitDefaults(s);
            ReadSettings(path, s, host);
        },
        [&] {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            int lines = 0;
            while (!in.atEnd())
                lines += !in.readLine().isEmpty();
        });
}

// The system-wide monotonic clock, which a parent and its child read alike.
qint64 MonotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs in a child process: the client's window, after the one-window check that its start makes,
// or a bare one of the same size (with one line of text, or none), up to the moment it is on
// screen and painted; prints that moment on the monotonic clock, then the process's peak memory
// in kB.
int ShowOnce(const QString& kind, const QString& programDir)
{
    QuietHost host;
    SettingsRecord settings;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<OneWindow> one;
    if (kind == QLatin1String("client")) {
        one = std::make_unique<OneWindow>(programDir);
        if (one->handOver({}))
            return 1;   // another client is open
        window = std::make_unique<frmClient>(settings, host, programDir);
    } else {
        window = std::make_unique<QWidget>();
        window->setFixedSize(604, 282);
        if (kind == QLatin1String("label"))
            new QLabel(QStringLiteral("Elenco dei file da convertire"), window.get());
    }
    window->show();
    while (!window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    printf("%lld\n", MonotonicNs());
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            printf("%s\n", line.mid(6).trimmed().split(' ').first().constData());
    return 0;
}

void StartUp(const QString& self)
{
    QTemporaryDir dir;
    const QString programDir = ProgramFolder(dir);
    const QStringList kinds{QStringLiteral("client"), QStringLiteral("bare"), QStringLiteral("label")};
    // A desktop session's runtime folder is in memory; without XDG_RUNTIME_DIR (a display with no
    // session), Qt's stand-in for it would be on disk.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::optional<QTemporaryDir> runtime;
    if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR"))) {
        runtime.emplace(QStringLiteral("/dev/shm/kivra-XXXXXX"));
        if (runtime->isValid())
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime->path());
        else
            fprintf(stderr, "no runtime folder in /dev/shm: the starts use Qt's own\n");
    }
    QList<double> ms[3], kb[3];
    for (int i = 0; i < kRounds; ++i) {
        for (int k = 0; k < 3; ++k) {
            // From the start to the shown window: what the process does after it, closing, is not
            // waited for by anyone.
            QProcess child;
            child.setProcessEnvironment(environment);
            const qint64 start = MonotonicNs();
            child.start(self, {QStringLiteral("show"), kinds[k], programDir});
            child.waitForFinished();
            // A start that failed, or found a window open, counts nothing: it stops the bench.
            const QList<QByteArray> out = child.readAllStandardOutput().split('\n');
            bool shown = false, measured = false;
            const qint64 at = out.value(0).toLongLong(&shown);
            const double peak = out.value(1).toDouble(&measured);
            if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !shown || !measured) {
                fprintf(stderr, "kivra_bench show %s non riuscito\n", qPrintable(kinds[k]));
                exit(1);
            }
            ms[k] << (at - start) / 1e6;
            kb[k] << peak;
        }
    }
    // The floor is a window of the same size with one line of text: any window with text loads the
    // font system, which a window without any does not.
    Report("start-up to the shown window", Median(ms[0]), Median(ms[2]), "ms");
    Report("peak memory", Median(kb[0]) / 1024, Median(kb[2]) / 1024, "MB");
    printf("  (a bare window without text: %.2f ms, %.2f MB)\n", Median(ms[1]), Median(kb[1]) / 1024);
}

// ticks N [none|wip|log] [E]: N ticks on a request with no mark yet, its .wip there, or its .log
// there (done), sent after E earlier requests that the server has not touched yet, for counting
// system calls from outside.
int Ticks(int count, const QString& marks, int earlier)
{
    QTemporaryDir dir;
    TestHost host;   // the real file calls, and nothing more
    WiredRequest wired(host);
    SettingsRecord s;
    InitDefaults(s);
    s.JobFileDir = QDir::toNativeSeparators(dir.path());
    s.DXFOutDirRoot = s.JobFileDir;
    for (int i = earlier; i >= 0; --i) {
        host.time = 1000 - i;
        if (!SendAndWait(wired.request, s, {QStringLiteral("a%1.dxf").arg(i)}))   // not one press repeated
            return 1;
    }
    if (marks != QLatin1String("none"))
        QFile(dir.filePath(QStringLiteral("Z_1000.") + marks)).open(QIODevice::WriteOnly);
    for (int i = 0; i < count; ++i)
        TickAndWait(wired.request, host);
    const QString expected = marks == QLatin1String("wip") ? QStringLiteral("Conversione in corso...")
        : marks == QLatin1String("log")                  ? QStringLiteral("File convertiti.")
                                                         : QStringLiteral("Richiesta inviata al server");
    return wired.status.text() == expected || count == 0 ? 0 : 1;
}

}   // namespace

int main(int argc, char* argv[])
{
    // A client's start loads the fonts beside the toolkit's, as its main() does.
    const bool client = argc > 2 && qstrcmp(argv[1], "show") == 0 && qstrcmp(argv[2], "client") == 0;
    std::thread fonts = client ? LoadFontsAside() : std::thread();
    QApplication app(argc, argv);
    if (fonts.joinable())
        fonts.join();
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("show"))
        return ShowOnce(args.value(2), args.value(3));
    if (mode == QLatin1String("ticks"))
        return Ticks(args.value(2).toInt(), args.value(3),
                     args.mid(3).filter(QRegularExpression(QStringLiteral("^\\d+$"))).value(0).toInt());
    if (mode == QLatin1String("startup")) {
        StartUp(QCoreApplication::applicationFilePath());
        return 0;
    }
    if (mode == QLatin1String("figures")) {
        DropAndConvert();
        SettingsReader();
        StartUp(QCoreApplication::applicationFilePath());
        return 0;
    }
    fprintf(stderr, "uso: kivra_bench figures | startup | ticks N none|wip|log [E] | show client|bare|label DIR\n");
    return 2;
}
