#include "request/SentRequests.h"

#include "platform/Host.h"
#include "platform/HostPath.h"
#include "request/JobFile.h"
#include "request/Publish.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A tick's file-status calls in all: the current request's, as the watcher always made them, and
// what is left for one earlier request.
constexpr int kCallsATick = 4;

}   // namespace

SentRequests::SentRequests(const Host& host, QObject* parent, RequestTiming timing)
    : QAbstractTableModel(parent)
    , m_host(host)
    , m_timing(timing)
{
    // One thread each: at most one look and one write are out, and neither waits for the other.
    for (QThreadPool* pool : {&m_looks, &m_earlierReads, &m_writes})
        pool->setMaxThreadCount(1);
    connect(&m_look, &QFutureWatcherBase::finished, this, [this] {
        m_looking = false;
        for (const Look& look : m_look.result())
            apply(look);
    });
}

void SentRequests::watchFolders(const QString& requestFolder, const QString& outputRoot)
{
    m_requestFolder.path = requestFolder;
    m_outputRoot.path = outputRoot;
    m_looking = true;
    auto* watcher = new QFutureWatcher<std::pair<ShareFolder, ShareFolder>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_looking = false;
        const auto [requests, output] = watcher->result();
        learn(requests), learn(output);
    });
    watcher->setFuture(
        QtConcurrent::run(&m_looks, [folders = std::pair(m_requestFolder, m_outputRoot), &host = m_host] {
            return std::pair(SeeMountPoint(folders.first, host), SeeMountPoint(folders.second, host));
        }));
}

// What a look at a configured folder saw of it; a mount point, once seen, stays one.
void SentRequests::learn(const ShareFolder& folder)
{
    for (ShareFolder* known : {&m_requestFolder, &m_outputRoot})
        if (known->path == folder.path && folder.parentDevice)
            known->parentDevice = folder.parentDevice;
}

ShareFolder SentRequests::known(const QString& folder) const
{
    for (const ShareFolder* known : {&m_requestFolder, &m_outputRoot})
        if (known->path == folder)
            return *known;
    return {folder, 0};
}

bool SentRequests::send(SettingsRecord& s, const QStringList& drawings)
{
    Sending sending{s.JobExt,
                    s.WipExt,
                    s.LogExt,
                    s.OutFolder.isEmpty() ? s.DXFOutDirRoot : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder,
                    known(s.JobFileDir),
                    known(s.DXFOutDirRoot),
                    {},
                    0,
                    s.WaitTimeout,
                    {},
                    s.JobFileDirRefused};
    const QString refusal = JobBytes(s, drawings, sending.bytes);
    if (refusal.isEmpty() && m_last.id && m_last.resets == m_resets && m_last.bytes == sending.bytes
        && m_host.monotonicMs() - m_last.at < 1000) {
        emit pressRepeated(rowOf(m_last.id));
        return false;
    }
    emit statusChanged(RequestSent);
    if (!refusal.isEmpty()) {
        tell(refusal, true);
        return false;
    }
    publish(sending, drawings, s.DXFDWGmode, s);
    return true;
}

bool SentRequests::sendAgain(int at, SettingsRecord& s)
{
    if (m_writing)
        return false;
    const Row& row = m_rows[at];
    Sending sending = row.sent;
    for (ShareFolder* folder : {&sending.requestFolder, &sending.outputRoot})
        *folder = known(folder->path);
    emit statusChanged(RequestSent);
    publish(sending, row.drawings, row.format, s);
    return true;
}

void SentRequests::publish(const Sending& what, const QStringList& drawings, const QString& format, SettingsRecord& s)
{
    Sending sending = what;
    sending.sentAt = m_host.msecsSinceEpoch();
    // Names of this run still in play: a withdrawn job the server may have read, one being withdrawn,
    // and one that waits, whose bytes may be these (a name holding the same job counts as sent).
    sending.heldNames.clear();
    for (const Row& row : std::as_const(m_rows))
        if (row.withdrawing || (row.state == RequestSent && followed(row, sending.sentAt)))
            sending.heldNames << row.request.Name;
    m_writing = true;
    m_writingName = RequestName(m_host.secondsSinceMidnight());
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    const quint64 resets = m_resets;
    auto* watcher = new QFutureWatcher<Publishing>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [=, &s] {
        watcher->deleteLater();
        const Publishing published = watcher->result();
        m_writing = false;
        learn(published.request.RequestFolder), learn(published.request.OutputRoot);
        const bool current = resets == m_resets;
        if (!published.warning.isEmpty()) {
            tell(published.warning, current);
            return;
        }
        // Followed in any case; the status field follows it unless the user reset it meanwhile.
        beginInsertRows({}, 0, 0);
        Row row{m_nextId++, published.request, sending, drawings, format};
        row.jobLookAt = sending.sentAt + sending.waitTimeout;
        m_rows.prepend(row);
        endInsertRows();
        m_last = {row.id, sending.bytes, m_host.monotonicMs(), resets};
        if (current) {
            s.JobFilePath = published.request.JobFilePath;
            m_current = true;
        }
        emit sendEnded({});
    });
    watcher->setFuture(QtConcurrent::run(&m_writes, PublishUnderAFreeName, sending, std::cref(m_host),
                                         std::ref(m_earlierReads), m_timing.nameWait, m_cancelled));
}

bool SentRequests::withdrawable(int row) const
{
    const Row& r = m_rows[row];
    return r.state == RequestSent && !r.withdrawnAt && !r.withdrawing && !r.takenAnyway;
}

// Nothing is ever renamed back: a server that took the job in that instant is seen at its marks.
void SentRequests::withdraw(int at)
{
    if (at < 0 || at >= m_rows.size() || !withdrawable(at))
        return;
    enum Withdrawal {
        Withdrawn,
        Taken,
        NoAnswer
    };
    Row& row = m_rows[at];
    row.withdrawing = true;
    emit dataChanged(index(at, StateColumn), index(at, StateColumn));
    const quint64 id = row.id;
    auto* watcher = new QFutureWatcher<Withdrawal>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, id] {
        watcher->deleteLater();
        const int at = rowOf(id);
        Row& row = m_rows[at];
        row.withdrawing = false;
        row.withdrawnAt = watcher->result() == Withdrawn ? m_host.msecsSinceEpoch() : 0;
        row.takenAnyway = row.withdrawnAt && row.state != RequestSent;   // a tick saw its .wip meanwhile
        emit dataChanged(index(at, StateColumn), index(at, StateColumn));
        if (TakenBack(row)) {
            if (id == m_last.id)   // a press now is no repeat of it
                m_last = {};
            if (at == currentRow()) {   // as after a reset
                m_current = false;
                if (!m_writing)
                    emit statusChanged(Idle);
            }
            return;
        }
        emit withdrawalRefused(
            QStringLiteral("La richiesta ") + row.request.Name
            + (watcher->result() == Taken
                   ? QStringLiteral(" è già in lavorazione: non può essere annullata")
                   : QStringLiteral(" non è stata annullata: la cartella delle richieste non risponde.")));
    });
    watcher->setFuture(QtConcurrent::run(&m_writes, [request = row.request, &host = m_host] {
        // Another request's .wip of the name, there as the job went out, says nothing of this one.
        const FileStatus wip = request.wipBefore ? FileStatus{} : host.fileStatus(request.WipFilePath);
        if (wip.isFile)
            return Taken;
        if (!wip.unknown && host.withdrawFile(request.JobFilePath))
            return Withdrawn;
        return wip.unknown || host.fileStatus(request.JobFilePath).unknown ? NoAnswer : Taken;
    }));
}

int SentRequests::rowOf(quint64 id) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return i;
    return -1;
}

void SentRequests::giveUp()
{
    if (m_cancelled)
        *m_cancelled = true;
}

// A job that did not go out: the request followed before it is still the current one.
void SentRequests::tell(const QString& warning, bool current)
{
    m_telling = true;
    if (current)
        emit statusChanged(PreparingList);
    emit sendEnded(warning);
    m_telling = false;
}

void SentRequests::reset()
{
    m_current = false;
    ++m_resets;
}

bool SentRequests::followed(const Row& row, qint64 now) const
{
    if (TakenBack(row))
        return now - row.withdrawnAt < m_timing.withdrawnWatch;
    return row.state != Converted && (row.state != EndedWithoutLog || now - row.endedAt < m_timing.lateLog);
}

void SentRequests::tick()
{
    if (m_looking || m_writing || m_telling)
        return;
    const qint64 now = m_host.msecsSinceEpoch();
    QList<Look> looks;
    int current = currentRow();
    if (current == 0 && m_rows[0].state == EndedWithoutLog) {
        emit statusChanged(EndedWithoutLog);   // re-applied at no cost
        current = -1;   // looked at in turn while its log may still come
    }
    // What was learnt of the configured folders since a request was sent holds for it too.
    const auto look = [&](const Row& row) {
        const qint64 gone = row.request.WipGoneAt;
        Look look{row.id, row.request, {}, gone && row.state != EndedWithoutLog && now - gone >= m_timing.endedAfter};
        for (ShareFolder* folder : {&look.request.RequestFolder, &look.request.OutputRoot})
            folder->parentDevice = std::max(folder->parentDevice, known(folder->path).parentDevice);
        return look;
    };
    if (current == 0)
        looks.append(look(m_rows[0]));
    // The others in turn, from the newest down, each while it is followed.
    const Row* next = nullptr;
    for (int i = current + 1; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (followed(row, now) && (!next || (row.id < m_turn && next->id >= m_turn)))
            next = &row;
    }
    // The oldest request whose job is due to be looked for, with no sign of the server yet, takes
    // the earlier request's turn: one call after the current request's.
    const Row* silent = nullptr;
    for (const Row& row : m_rows)
        if (row.state == RequestSent && !row.withdrawnAt && row.jobLookAt && now >= row.jobLookAt)
            silent = &row;
    if (silent) {
        Look job = look(*silent);
        job.forJob = true;
        looks.append(job);
    } else if (next) {
        // First every other tick, so that a rare step of its own (a third call) is never starved by
        // the current request's two.
        m_earlierFirst = !m_earlierFirst;
        looks.insert(m_earlierFirst ? 0 : looks.size(), look(*next));
        m_turn = next->id;
    }
    if (looks.isEmpty())
        return;
    m_looking = true;
    m_look.setFuture(QtConcurrent::run(&m_looks, [looks, &host = m_host]() mutable {
        int calls = kCallsATick;
        for (Look& look : looks) {
            if (!look.forJob)
                look.marks = LookForMarks(look.request, host, calls, look.endingDue);
            else if (calls > 0)
                --calls, look.job = host.fileStatus(look.request.JobFilePath);
        }
        return looks;
    }));
}

WatchedRequest SentRequests::watched() const
{
    return currentRow() == 0 ? m_rows[0].request : WatchedRequest();
}

bool SentRequests::idle()
{
    return m_looks.waitForDone(0) && m_writes.waitForDone(0) && m_earlierReads.waitForDone(0);
}

// What a look saw of a request is true of it whenever it comes back (Learn). It moves the status
// field only while its request is still the current one and no send is being written or told. A
// request once done stays done: a later .wip of its name is another workstation's.
void SentRequests::apply(const Look& look)
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& row) { return row.id == look.id; });
    Row& row = *found;
    if (look.forJob)
        return noteJob(row, look.job, m_host.msecsSinceEpoch());
    const bool showing = found == m_rows.begin() && m_current && !m_writing && !m_telling;
    if (row.state == Converted) {   // looked at still, as the watcher always has, and shown again
        if (showing)
            emit statusChanged(Converted);
        return;
    }
    const qint64 now = m_host.msecsSinceEpoch();
    StatusCode state = row.state;
    switch (Learn(row.request, look.marks, now, m_timing.endedAfter)) {
    case Seen::Nothing: return;
    case Seen::Converting: state = Converting; break;
    case Seen::Converted: state = Converted; break;
    case Seen::EndedWithoutLog:
        if (row.state == EndedWithoutLog)
            return;
        state = EndedWithoutLog, row.endedAt = now;
        break;
    }
    if (row.state != state) {
        row.state = state;
        row.takenAnyway = row.withdrawnAt != 0;
        const int at = int(found - m_rows.begin());
        emit dataChanged(index(at, StateColumn), index(at, StateColumn));
        if (state == Converted || state == EndedWithoutLog)
            emit requestDone(row.request, state);
    }
    if (showing)
        emit statusChanged(state);
}

// A job still there, with no .wip and no log of it: the server shows no sign. Gone: it was taken.
void SentRequests::noteJob(Row& row, const FileStatus& job, qint64 now)
{
    row.jobLookAt = now + m_timing.silentLook;
    if (job.unknown || row.state != RequestSent || row.withdrawnAt)
        return;
    row.silentMinutes = job.isFile ? int(qMax<qint64>(1, (now - row.request.SentAt) / 60000)) : 0;
    const int at = int(&row - m_rows.data());
    emit dataChanged(index(at, StateColumn), index(at, StateColumn));
    if (row.silentMinutes && !std::exchange(row.toldSilent, true))
        emit serverSilent(row.request);
}

QString SentRequests::stateText(const Row& row) const
{
    if (row.withdrawing || TakenBack(row))
        return row.withdrawing ? QStringLiteral("Annullamento...") : QStringLiteral("Annullata");
    switch (row.state) {
    case EndedWithoutLog: return QStringLiteral("Conclusa senza log");
    case RequestSent:
    case Converting:
        if (row.takenAnyway)
            return QStringLiteral("Annullata, ma il server l'aveva già presa");
        if (row.silentMinutes && row.state == RequestSent)
            return QStringLiteral("In attesa del server da %1 min").arg(row.silentMinutes);
        break;
    }
    return StatusCaption(row.state);
}

// The first 20 drawings, one a line, as the row's tooltip.
static QString DrawingsTip(const QStringList& drawings)
{
    QString tip = drawings.mid(0, 20).join(QLatin1Char('\n'));
    if (drawings.size() > 20)
        tip += QStringLiteral("\ne altri %1").arg(drawings.size() - 20);
    return tip;
}

int SentRequests::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SentRequests::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SentRequests::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    const bool state = index.column() == StateColumn;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case NameColumn: return row.request.Name;
        case SentColumn: return QDateTime::fromMSecsSinceEpoch(row.request.SentAt).toString(QStringLiteral("HH:mm:ss"));
        case FormatColumn: return row.format;
        case FolderColumn: return HostPath(row.request.OutputFolder);
        case DrawingsColumn: return int(row.drawings.size());
        default: return stateText(row);
        }
    case Qt::BackgroundRole:
        return state ? QVariant(StatusColour(TakenBack(row) ? StatusCode(Idle) : row.state))
                     : QVariant();
    case Qt::ForegroundRole: return state ? QVariant(QColor(Qt::black)) : QVariant();
    case Qt::ToolTipRole:
        return index.column() == FolderColumn
            ? HostPath(row.request.OutputFolder) + QStringLiteral("\n\n") + DrawingsTip(row.drawings)
            : DrawingsTip(row.drawings);
    default: return {};
    }
}

QVariant SentRequests::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles{QStringLiteral("Richiesta"), QStringLiteral("Inviata alle"),
                                    QStringLiteral("Formato"),   QStringLiteral("Cartella"),
                                    QStringLiteral("Disegni"),   QStringLiteral("Stato")};
    return titles.value(section);
}
