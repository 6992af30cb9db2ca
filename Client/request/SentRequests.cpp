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

SentRequests::SentRequests(const Host& host, QObject* parent, int nameWaitMs)
    : QAbstractTableModel(parent)
    , m_host(host)
    , m_nameWaitMs(nameWaitMs)
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

bool SentRequests::send(SettingsRecord& s, const QStringList& drawings)
{
    emit statusChanged(RequestSent);
    Sending sending{s.JobFileDir,
                    s.JobExt,
                    s.WipExt,
                    s.LogExt,
                    s.OutFolder.isEmpty() ? s.DXFOutDirRoot : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder,
                    s.DXFOutDirRoot,
                    {},
                    0};
    const QString refusal = JobBytes(s, drawings, sending.bytes);
    if (!refusal.isEmpty()) {
        tell(refusal, true);
        return false;
    }
    sending.sentAt = m_host.msecsSinceEpoch();

    m_writing = true;
    m_writingName = RequestName(m_host.secondsSinceMidnight());
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    const quint64 resets = m_resets;
    const int count = int(drawings.size());
    auto* watcher = new QFutureWatcher<Publishing>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [=, &s] {
        watcher->deleteLater();
        const Publishing published = watcher->result();
        m_writing = false;
        const bool current = resets == m_resets;
        if (!published.warning.isEmpty()) {
            tell(published.warning, current);
            return;
        }
        // Followed in any case; the status field follows it unless the user reset it meanwhile.
        beginInsertRows({}, 0, 0);
        m_rows.prepend({m_nextId++, published.request, count, RequestSent});
        endInsertRows();
        if (current) {
            s.JobFilePath = sending.jobPath(published.request.Name);
            m_current = true;
        }
        emit sendEnded({});
    });
    watcher->setFuture(QtConcurrent::run(&m_writes, PublishUnderAFreeName, sending, std::cref(m_host),
                                         std::ref(m_earlierReads), m_nameWaitMs, m_cancelled));
    return true;
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

void SentRequests::tick()
{
    if (m_looking || m_writing || m_telling)
        return;
    QList<Look> looks;
    const int current = currentRow();
    if (current == 0)
        looks.append({m_rows[0].id, m_rows[0].request, {}});
    // The earlier requests in turn, from the newest down, each until it has ended.
    const Row* next = nullptr;
    for (int i = current + 1; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (row.state != Converted && (!next || (row.id < m_turn && next->id >= m_turn)))
            next = &row;
    }
    if (next) {
        looks.append({next->id, next->request, {}});
        m_turn = next->id;
    }
    if (looks.isEmpty())
        return;
    m_looking = true;
    m_look.setFuture(QtConcurrent::run(&m_looks, [looks, &host = m_host]() mutable {
        int calls = kCallsATick;
        for (Look& look : looks)
            look.marks = LookForMarks(look.request, host, calls);
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

// A look that failed tells nothing and changes nothing, the guard against an earlier log included.
// What a look saw of a request is true of it whenever it comes back; it moves the status field only
// while its request is still the current one and no send is being written or told.
void SentRequests::apply(const Look& look)
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& row) { return row.id == look.id; });
    Row& row = *found;
    StatusCode seen = Idle;
    if (look.marks.wip.unknown)
        return;
    if (look.marks.wip.isFile) {
        seen = Converting;
    } else if (!look.marks.log.isFile) {
        if (look.marks.log.absent())   // gone: whatever comes next is this request's
            row.request.earlier = WatchedRequest::NoLog;
        return;
    } else if (IsCompletion(row.request, look.marks.log.modified)) {
        seen = Converted;
    } else {
        return;
    }
    if (row.state != Converted && row.state != seen) {
        row.state = seen;
        const int at = int(found - m_rows.begin());
        emit dataChanged(index(at, StateColumn), index(at, StateColumn));
        if (seen == Converted)
            emit requestDone(row.request);
    }
    if (found == m_rows.begin() && m_current && !m_writing && !m_telling)
        emit statusChanged(seen);
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
        case FolderColumn: return HostPath(row.request.OutputFolder);
        case DrawingsColumn: return row.drawings;
        default: return StatusCaption(row.state);
        }
    case Qt::BackgroundRole: return state ? QVariant(StatusColour(row.state)) : QVariant();
    case Qt::ForegroundRole: return state ? QVariant(QColor(Qt::black)) : QVariant();
    case Qt::ToolTipRole: return index.column() == FolderColumn ? HostPath(row.request.OutputFolder) : QVariant();
    default: return {};
    }
}

QVariant SentRequests::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles{QStringLiteral("Richiesta"), QStringLiteral("Inviata alle"),
                                    QStringLiteral("Cartella"), QStringLiteral("Disegni"), QStringLiteral("Stato")};
    return titles.value(section);
}
