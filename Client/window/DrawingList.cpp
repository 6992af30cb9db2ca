#include "window/DrawingList.h"

#include <QAbstractListModel>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

// One column headed "Files", one row a path.
class DrawingList::Model : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    QStringList paths;

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : int(paths.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return paths.value(index.row());
    }
    QVariant headerData(int, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QStringLiteral("Files");
        return {};
    }
    void append(const QStringList& more)
    {
        if (more.isEmpty())
            return;
        beginInsertRows({}, int(paths.size()), int(paths.size() + more.size() - 1));
        paths += more;
        endInsertRows();
    }
    void clear()
    {
        beginResetModel();
        paths.clear();
        endResetModel();
    }
};

namespace {

// Only local files count: text, web links and mixed data are not drawings.
bool OffersFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty())
        return false;
    for (const QUrl& url : urls)
        if (!url.isLocalFile())
            return false;
    return true;
}

// Enter and every move: the drop is a copy, and nothing else is accepted.
void NegotiateCopy(QDragMoveEvent* event)
{
    if (OffersFiles(event->mimeData()) && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace

DrawingList::DrawingList(QWidget* parent)
    : QTreeView(parent)
    , m_model(new Model(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    setUniformRowHeights(true);   // keeps a list of thousands quick to lay out
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void DrawingList::addPaths(const QStringList& paths)
{
    const qsizetype cap = m_maxItems < 0 ? Capacity : qMin(m_maxItems, Capacity);
    const qsizetype room = qMax<qsizetype>(0, cap - count());
    m_model->append(paths.mid(0, room));
}

const QStringList& DrawingList::paths() const
{
    return m_model->paths;
}

void DrawingList::clear()
{
    m_model->clear();
}

void DrawingList::dragEnterEvent(QDragEnterEvent* event)
{
    NegotiateCopy(event);
}

void DrawingList::dragMoveEvent(QDragMoveEvent* event)
{
    NegotiateCopy(event);
}

void DrawingList::dropEvent(QDropEvent* event)
{
    if (!OffersFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped();

    const QList<QUrl> urls = event->mimeData()->urls();
    QStringList paths;
    paths.reserve(urls.size());
    for (const QUrl& url : urls)
        paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    addPaths(paths);
}
