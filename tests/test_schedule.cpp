#include "Request.h"
#include "settings/Settings.h"

#include <QRandomGenerator>

#include <condition_variable>
#include <mutex>
#include <optional>

// The request owner driven through every sequence of events up to a bound, on a model of the two shares, the
// conversion server and other workstations, with one oracle: the status field and every row are green only if the
// server wrote that job's log; a request's end without a log never stays "Conversione in corso..."; every press
// ends in a row or a warning; no press sends a job twice; no tick makes more than four file-status calls; the
// status field always shows one of the statuses, colour and caption together.
//
// The request folder y:\Richieste lies below its share's mount point (/mnt/y); the output root z: is itself a mount
// point (/mnt/z), so that while its share is away it is an empty folder on the volume of /mnt. Events land between
// two looks, and between two steps of a send: after the name checks, and after the read of the earlier log.

namespace {

// The letters: a tick; a send's next step; Converti; Azzera lista; the clock 61 s on; the server starting on the
// oldest job (its .wip made, the job taken out), removing a .wip (ours before its log, or killed; another's with its
// log, in our output folder), writing the log of
// the job it works on (or of a waiting job, as a server without .wip marks) and dropping a job without a log; another workstation's log or .wip
// of the name of this second, made before a job of ours went out under it; each share answering, failing (or
// hanging: both give no answer) and away. 'Y', another workstation's log made after our job went out under its
// name, cannot be told from ours without reading it, and is tried apart.
enum Share { Up, Failing, Away };
struct Letter {
    char code;
    const char* name;
};
constexpr Letter kAlphabet[] = {{'T', "tick"},
                                {'/', "send steps on"},
                                {'C', "Converti"},
                                {'R', "Azzera lista"},
                                {'K', "clock +61 s"},
                                {'S', "server starts (.wip)"},
                                {'E', "server removes .wip"},
                                {'L', "server writes the log"},
                                {'D', "server drops the job"},
                                {'X', "another's old log"},
                                {'W', "another's .wip"},
                                {'a', "request share answers"},
                                {'b', "request share fails"},
                                {'c', "request share away"},
                                {'d', "output root answers"},
                                {'e', "output root fails"},
                                {'f', "output root away"}};
constexpr int kEvents = sizeof kAlphabet / sizeof kAlphabet[0];
constexpr qint64 kDay0 = 1796083200000;   // a midnight, UTC; the workstation and the servers share one clock
constexpr RequestTiming kTiming{30000, 60000, 120000};

QString Spelled(const QByteArray& word)
{
    QStringList names;
    for (const char code : word)
        for (const Letter& letter : kAlphabet)
            if (letter.code == code || (code == 'Y' && letter.code == 'X'))
                names << (code == 'Y' ? "another's new log" : letter.name);
    return names.join(", ");
}

// The shares, the server and other workstations, as the request owner's host sees them.
class ModelHost : public Host {
public:
    struct File {
        QByteArray bytes;
        qint64 modified;
    };
    mutable std::mutex m;
    Share requests = Up, output = Up;
    QMap<QString, File> requestDisk, outputDisk;   // by file name
    qint64 now = kDay0 + 45678000;
    QSet<QString> logWritten, working, dropped;   // our jobs' names, by the server's doing
    QSet<QString> published;   // names a job of ours went out under
    QSet<QString> others;   // .wip marks of other workstations' requests
    int publications = 0;
    mutable std::atomic<int> calls{0};
    bool oneVolume = false;   // the output root on the request share (y:\Uscita)

    // A send's steps, held between them while holding.
    std::mutex hookMutex;
    std::condition_variable hookMoved;
    std::atomic<bool> holding{false};
    bool held = false, release = false;

    QString root() const { return oneVolume ? "y:\\Uscita" : "z:"; }
    QStringList warnings;
    void showWarning(const QString& text) override { warnings << text; }
    void askForAttention() override {}
    void notify(const QString&, const QString&) override {}
    int secondsSinceMidnight() const override { return int((clock() - kDay0) / 1000 % 86400); }
    qint64 msecsSinceEpoch() const override { return clock(); }
    qint64 monotonicMs() const override { return clock(); }
    void pause(int ms) const override
    {
        std::lock_guard lock(m);
        const_cast<ModelHost*>(this)->now += ms;
    }

    // A send holds after its name checks (the .wip looked at), before its rename and after it.
    FileStatus fileStatus(const QString& path) const override
    {
        ++calls;
        FileStatus status;
        {
            std::lock_guard lock(m);
            status = statusOf(path);
        }
        if (path.endsWith(".wip") && holding)
            const_cast<ModelHost*>(this)->hook();
        return status;
    }
    Publication publishFile(const QString& path, const QByteArray& bytes) const override
    {
        auto* self = const_cast<ModelHost*>(this);
        self->hook();
        const Publication publication = publish(path, bytes);
        self->hook();
        return publication;
    }
    Publication publish(const QString& path, const QByteArray& bytes) const
    {
        std::lock_guard lock(m);
        auto* self = const_cast<ModelHost*>(this);
        const QString name = path.mid(path.lastIndexOf('\\') + 1);
        if (requests != Up)
            return {Publication::Failed, "impossibile creare il file"};
        if (requestDisk.contains(name))
            return {Publication::NameTaken, {}};
        self->requestDisk[name] = {bytes, now};
        self->published << name.chopped(4);
        ++self->publications;
        return {Publication::Published, {}};
    }
    bool fileHolds(const QString& path, const QByteArray& bytes) const override
    {
        std::lock_guard lock(m);
        const QString name = path.mid(path.lastIndexOf('\\') + 1);
        return requests == Up && requestDisk.value(name).bytes == bytes;
    }

    // Applies one letter of the environment.
    void apply(char code)
    {
        std::lock_guard lock(m);
        const QString name = RequestName(int((now - kDay0) / 1000 % 86400));
        QMap<QString, File>& logs = oneVolume ? requestDisk : outputDisk;
        const auto oldest = [&](const char* ext) {
            for (auto it = requestDisk.begin(); it != requestDisk.end(); ++it)
                if (it.key().endsWith(ext) && published.contains(it.key().chopped(4)))
                    return it.key().chopped(4);
            return QString();
        };
        switch (code) {
        case 'K': now += 61000; break;
        case 'S':
            if (const QString job = oldest(".job"); !job.isEmpty())
                requestDisk.remove(job + ".job"), requestDisk[job + ".wip"] = {{}, now}, working << job;
            break;
        case 'E':   // another workstation's request of the name leaves its log, in the same output folder
            for (auto it = requestDisk.begin(); it != requestDisk.end(); ++it)
                if (it.key().endsWith(".wip")) {
                    if (others.remove(it.key()))
                        logs[logName(it.key().chopped(4))] = {"other", now};
                    requestDisk.erase(it);
                    break;
                }
            break;
        case 'L':
        case 'D': {
            const QString job = !working.isEmpty() ? *std::min_element(working.begin(), working.end()) : oldest(".job");
            if (job.isEmpty())
                break;
            requestDisk.remove(job + ".job"), requestDisk.remove(job + ".wip"), working.remove(job);
            if (code == 'L')
                logs[logName(job)] = {"log", now}, logWritten << job;
            else
                dropped << job;
            break;
        }
        case 'X':
            if (!published.contains(name))
                logs[logName(name)] = {"other", now - 5 * 60000};
            break;
        case 'W':
            if (!published.contains(name))
                requestDisk[name + ".wip"] = {{}, now}, others << name + ".wip";
            break;
        case 'Y':
            if (!published.isEmpty())
                logs[logName(*std::max_element(published.begin(), published.end()))] = {"other", now};
            break;
        case 'a': requests = Up; break;
        case 'b': requests = Failing; break;
        case 'c': requests = Away; break;
        case 'd': (oneVolume ? requests : output) = Up; break;
        case 'e': (oneVolume ? requests : output) = Failing; break;
        case 'f': (oneVolume ? requests : output) = Away; break;
        }
        now += 300;
    }

    // Waits at a send's step while holding, until released.
    void hook()
    {
        std::unique_lock lock(hookMutex);
        if (!holding)
            return;
        held = true;
        hookMoved.notify_all();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] {}, Qt::QueuedConnection);   // wakes the test
        hookMoved.wait(lock, [&] { return release || !holding; });
        held = release = false;
    }

    qint64 clock() const
    {
        std::lock_guard lock(m);
        return now;
    }
    // Our jobs that the server started and left without a .wip and without a log, or dropped.
    QSet<QString> endedWithoutLog() const
    {
        QSet<QString> ended = dropped;
        for (const QString& job : working)
            if (!requestDisk.contains(job + ".wip"))
                ended << job;
        return ended - logWritten;
    }
    QString logName(const QString& job) const { return oneVolume ? "..\\Uscita\\" + job + ".log" : job + ".log"; }

    // What a status call on the host says of path: Linux's stat, or Windows's errors.
    FileStatus statusOf(const QString& path) const
    {
        const bool windows = Windows;
        const auto folder = [](quint64 device) { return FileStatus{false, true, 0, false, false, device}; };
        const FileStatus unknown{false, false, 0, true};
        const auto none = [&](bool folderSeen) { return FileStatus{false, false, 0, false, windows && folderSeen}; };
        const auto in = [&](Share share, const QMap<QString, File>& disk, const QString& name, quint64 device) {
            if (share == Failing)
                return unknown;
            if (share == Away || !disk.contains(name))
                return none(share == Up);
            return FileStatus{true, false, disk[name].modified, false, false, device};
        };
        if (path == "/mnt")
            return folder(1);
        if (path == "/mnt/y")
            return requests == Failing ? unknown : folder(requests == Up ? 3 : 1);
        if (path == "y:\\Richieste" || (oneVolume && path == root()))
            return requests == Failing ? unknown : requests == Up ? folder(3) : none(false);
        if (path == "z:")
            return output == Failing ? unknown : output == Up ? folder(2) : windows ? none(false) : folder(1);
        if (path.startsWith("y:\\Richieste\\"))
            return in(requests, requestDisk, path.mid(13), 3);
        if (path.startsWith("y:\\Uscita\\"))
            return in(requests, requestDisk, "..\\Uscita\\" + path.mid(10), 3);
        if (path.startsWith("z:\\"))
            return in(output, outputDisk, path.mid(3), 2);
        return unknown;
    }
};

// One run of a word: the program started with both shares there, then each letter in turn, then everything
// settled (the send let go, both shares back, ticks, the clock past the end of a request without a log, ticks).
// Returns what the oracle found wrong, or nothing.
std::optional<QString> Run(const QByteArray& word, bool oneVolume)
{
    ModelHost host;
    host.oneVolume = oneVolume;
    QLabel status;
    SetStatus(&status, Idle);
    SentRequests request(host, nullptr, kTiming);
    QObject::connect(&request, &SentRequests::statusChanged, &status, [&](StatusCode code) { SetStatus(&status, code); });
    int presses = 0, told = 0;
    QObject::connect(&request, &SentRequests::sendEnded, [&](const QString& warning) { told += !warning.isEmpty(); });
    SettingsRecord s;
    InitDefaults(s);
    s.JobFileDir = "y:\\Richieste";
    s.DXFOutDirRoot = host.root();
    const auto settle = [&](const std::function<bool()>& done) {
        while (!done())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    request.watchFolders(s.JobFileDir, s.DXFOutDirRoot);
    settle([&] { return !request.looking(); });

    std::optional<QString> wrong;
    const auto check = [&](const char* when) {
        const StatusName shown = Shown(&status);
        if (shown < 0 && !wrong)
            wrong = QString("%1: the status field shows \"%2\" in %3").arg(when, status.text(),
                                                                           status.palette().color(QPalette::Window).name());
        if (shown == Converted && !host.logWritten.contains(request.watched().Name) && !wrong)
            wrong = QString("%1: \"File convertiti.\" for %2, whose log the server never wrote")
                        .arg(when, request.watched().Name);
        for (int row = 0; row < request.rowCount() && !wrong; ++row)
            if (request.done(row) && !host.logWritten.contains(request.request(row).Name))
                wrong = QString("%1: the row of %2 says \"File convertiti.\"").arg(when, request.request(row).Name);
        if (host.publications > presses && !wrong)
            wrong = QString("%1: %2 jobs out for %3 presses").arg(when).arg(host.publications).arg(presses);
    };
    const auto letGo = [&] {
        {
            std::lock_guard lock(host.hookMutex);
            host.holding = false;
        }
        host.hookMoved.notify_all();
        settle([&] { return !request.writing(); });
    };
    const auto heldOrDone = [&] {
        std::lock_guard lock(host.hookMutex);
        return (host.held && !host.release) || !request.writing();
    };
    const auto step = [&] {   // the send on to its next step, or to its end
        {
            std::lock_guard lock(host.hookMutex);
            host.release = host.held;
        }
        host.hookMoved.notify_all();
        settle(heldOrDone);
    };
    const auto tick = [&] {
        host.calls = 0;
        request.tick();
        settle([&] { return !request.looking(); });
        if (host.calls > 4 && !wrong)
            wrong = QString("a tick made %1 file-status calls").arg(host.calls.load());
    };
    for (const char code : word) {
        if (code == 'T' || code == 'C' || code == 'R')
            letGo();
        switch (code) {
        case 'T': tick(); break;
        case '/': step(); break;
        case 'C': {
            ++presses;
            host.holding = true;
            if (request.send(s, {"a.dxf"}))   // the send's name checks, then it waits
                settle(heldOrDone);
            break;
        }
        case 'R':
            SetStatus(&status, Idle);
            request.reset();
            break;
        default: host.apply(code);
        }
        check(qPrintable(QString("after %1").arg(code)));
    }
    letGo();
    host.apply('a'), host.apply('d');
    for (int i = 0; i <= request.rowCount(); ++i)   // each row looked at once the shares are back
        tick();
    host.apply('K');
    for (int i = 0; i <= request.rowCount(); ++i)
        tick();
    check("settled");
    if (!wrong && request.rowCount() + told < presses)
        wrong = QString("%1 presses, %2 rows, %3 warnings").arg(presses).arg(request.rowCount()).arg(told);
    for (int row = 0; row < request.rowCount() && !wrong; ++row)
        if (request.state(row) == Converting && host.endedWithoutLog().contains(request.request(row).Name))
            wrong = QString("%1 ended without a log and still says \"Conversione in corso...\"")
                        .arg(request.request(row).Name);
    return wrong;
}

// Every word of up to length letters, in order of length, each letter from the alphabet: the first failure is the
// shortest.
QByteArray Word(quint64 n, int length)
{
    QByteArray word;
    for (int i = 0; i < length; ++i, n /= kEvents)
        word += kAlphabet[n % kEvents].code;
    return word;
}

// Whether a word does what a shorter one does: nothing sent; a letter that changes nothing before the first press
// (a tick, a step, a reset, the clock, the server); a step while no send waits; a share put in the state it is in.
bool Redundant(const QByteArray& word)
{
    const qsizetype first = word.indexOf('C');
    if (first < 0)
        return true;
    int steps = 0;   // a send waits three times: after its name checks, before and after its rename
    char requests = 'a', output = 'd';
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char code = word[i];
        if (i < first && strchr("T/RKSELD", code))
            return true;
        if (code == 'C')
            steps = 3;
        else if (code == '/' && steps-- == 0)
            return true;
        else if (code == 'T' || code == 'R')
            steps = 0;
        char& share = code >= 'a' && code <= 'c' ? requests : output;
        if (code >= 'a' && code <= 'f' && std::exchange(share, code) == code)
            return true;
    }
    return false;
}

// A failing word made shorter while it still fails.
QByteArray Shortened(QByteArray word, bool oneVolume)
{
    for (int i = 0; i < word.size();) {
        const QByteArray shorter = QByteArray(word).remove(i, 1);
        if (Run(shorter, oneVolume))
            word = shorter;
        else
            ++i;
    }
    return word;
}

}   // namespace

class TestSchedule : public QObject {
    Q_OBJECT

    static void fail(const QByteArray& word, bool oneVolume, const QString& why)
    {
        QFAIL(qPrintable(QString("%1 (%2; %3)").arg(why, Spelled(word), oneVolume ? "one volume" : "two volumes")));
    }

private slots:
    // One sequence again, as a failure spelled it (KIVRA_SCHEDULE_WORD, in the letters of kAlphabet).
    void oneSequence()
    {
        const QByteArray word = qgetenv("KIVRA_SCHEDULE_WORD");
        if (word.isEmpty())
            QSKIP("KIVRA_SCHEDULE_WORD not set");
        for (const bool oneVolume : {false, true})
            if (const auto wrong = Run(word, oneVolume))
                fail(word, oneVolume, *wrong);
    }

    // Every sequence of up to four events, both shares on two volumes and on one.
    void everySequence()
    {
        int runs = 0;
        for (const bool oneVolume : {false, true})
            for (int length = 1; length <= 4; ++length) {
                quint64 count = 1;
                for (int i = 0; i < length; ++i)
                    count *= kEvents;
                for (quint64 n = 0; n < count; ++n) {
                    const QByteArray word = Word(n, length);
                    if (Redundant(word))
                        continue;
                    ++runs;
                    if (const auto wrong = Run(word, oneVolume))
                        return fail(word, oneVolume, *wrong);
                }
            }
        qInfo("%d sequences of up to 4 events", runs);
    }

    // Seeded random sequences of up to seven events for about the time given (KIVRA_SCHEDULE_SECONDS, 15 s in the
    // suite); a failure is shortened before it is told.
    void randomSequences()
    {
        const int seconds = qEnvironmentVariableIntValue("KIVRA_SCHEDULE_SECONDS");
        QRandomGenerator random(quint32(qEnvironmentVariableIntValue("KIVRA_SCHEDULE_SEED")));
        QElapsedTimer clock;
        clock.start();
        int runs = 0;
        for (; clock.elapsed() < (seconds ? seconds : 15) * 1000; ++runs) {
            QByteArray word = "C";
            for (int i = random.bounded(7); i > 0; --i)
                word.insert(random.bounded(word.size() + 1), kAlphabet[random.bounded(kEvents)].code);
            const bool oneVolume = random.bounded(2);
            if (Run(word, oneVolume)) {
                const QByteArray shortest = Shortened(word, oneVolume);
                return fail(shortest, oneVolume, *Run(shortest, oneVolume));
            }
        }
        qInfo("%d random sequences of up to 7 events in %d s", runs, seconds ? seconds : 15);
    }

    // Another workstation's log of our name, made after our job went out, cannot be told from ours without reading
    // it: how often it turns the status green.
    void anotherLogAfterOurs()
    {
        QRandomGenerator random(35);
        int runs = 0, green = 0;
        for (; runs < 1000; ++runs) {
            QByteArray word = "CY";
            for (int i = random.bounded(5); i > 0; --i)
                word.insert(1 + random.bounded(word.size()), kAlphabet[random.bounded(kEvents)].code);
            green += Run(word, random.bounded(2)).has_value();
        }
        qInfo("another's log made after our job went out: %d of %d sequences end green falsely", green, runs);
    }
};

QTEST_MAIN(TestSchedule)
#include "test_schedule.moc"
