#include "window/DrawingList.h"

#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

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
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderLabels({QStringLiteral("Files")});
    setRootIsDecorated(false);
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
    int count = topLevelItemCount();
    QList<QTreeWidgetItem*> items;
    for (const QString& path : paths) {
        if (count == m_maxItems || count == Capacity)
            break;
        items.append(new QTreeWidgetItem(QStringList{path}));
        ++count;
    }
    addTopLevelItems(items);   // one batch, one refresh
}

QStringList DrawingList::paths() const
{
    QStringList result;
    const int count = topLevelItemCount();
    result.reserve(count);
    for (int i = 0; i < count; ++i)
        result.append(topLevelItem(i)->text(0));
    return result;
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

    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    addPaths(paths);
}
