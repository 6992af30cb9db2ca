#include "window/DrawingList.h"

#include <QAbstractListModel>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

// One column headed "Files", one row a path.
class DrawingList::Model : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    QStringList paths;

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(paths.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        // The view elides a long path in the middle, so the file's name stays in sight; the
        // tooltip has it whole.
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
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
    // rows in ascending order; each run of neighbours goes in one step.
    void remove(const QList<int>& rows)
    {
        for (qsizetype end = rows.size(); end > 0;) {
            qsizetype begin = end - 1;
            while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
                --begin;
            beginRemoveRows({}, rows[begin], rows[end - 1]);
            paths.remove(rows[begin], end - begin);
            endRemoveRows();
            end = begin;
        }
    }
};

namespace {

// Only local files count: text, web links and mixed data are not drawings.
bool LocalFiles(const QList<QUrl>& urls)
{
    return !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QList<QUrl> UrlsOf(const QMimeData* data)
{
    return data && data->hasUrls() ? data->urls() : QList<QUrl>();
}

// Enter and every move: the drop is a copy, and nothing else is accepted.
void NegotiateCopy(QDragMoveEvent* event)
{
    if (LocalFiles(UrlsOf(event->mimeData())) && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

}   // namespace

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
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTextElideMode(Qt::ElideMiddle);

    // Drawings left out by the cap are told at the list, without a box, and the note goes by itself.
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ListNote"));
    m_note->setAutoFillBackground(true);
    m_note->setFrameShape(QFrame::Box);
    QPalette note = m_note->palette();
    note.setColor(QPalette::Window, QColor(255, 255, 225));
    note.setColor(QPalette::WindowText, Qt::black);
    m_note->setPalette(note);
    m_note->hide();
    m_noteTime.setSingleShot(true);
    m_noteTime.setInterval(5000);
    connect(&m_noteTime, &QTimer::timeout, m_note, &QWidget::hide);

    // The keyboard's way in and out: the shortcuts work while the list has the focus, and the
    // context menu (mouse or menu key) offers the same actions.
    auto* choose = new QAction(QStringLiteral("Aggiungi disegni…"), this);
    choose->setShortcut(Qt::Key_Insert);
    choose->setShortcutContext(Qt::WidgetShortcut);
    connect(choose, &QAction::triggered, this, &DrawingList::drawingsWanted);
    m_paste = new QAction(QStringLiteral("Incolla"), this);
    m_paste->setShortcut(QKeySequence::Paste);
    m_paste->setShortcutContext(Qt::WidgetShortcut);
    connect(m_paste, &QAction::triggered, this, &DrawingList::paste);
    m_remove = new QAction(QStringLiteral("Rimuovi"), this);
    m_remove->setShortcut(Qt::Key_Delete);
    m_remove->setShortcutContext(Qt::WidgetShortcut);
    connect(m_remove, &QAction::triggered, this, &DrawingList::removeSelected);
    addActions({choose, m_paste, m_remove});
}

void DrawingList::addPaths(const QStringList& paths)
{
    const qsizetype cap = m_maxItems < 0 ? Capacity : qMin(m_maxItems, Capacity);
    const qsizetype room = qMax<qsizetype>(0, cap - count());
    m_model->append(paths.mid(0, room));
    if (const qsizetype left = paths.size() - room; left > 0) {
        m_note->setText(
            left == 1 ? QStringLiteral("1 disegno non aggiunto: al massimo %1 per richiesta").arg(cap)
                      : QStringLiteral("%1 disegni non aggiunti: al massimo %2 per richiesta").arg(left).arg(cap));
        // Along the list's bottom edge; the list's own rectangle is known before it is first shown.
        const int edge = frameWidth(), height = m_note->sizeHint().height();
        m_note->setGeometry(edge, this->height() - edge - height, width() - 2 * edge, height);
        m_note->show();
        m_note->raise();
        m_noteTime.start();
    }
}

const QStringList& DrawingList::paths() const
{
    return m_model->paths;
}

void DrawingList::clear()
{
    m_model->clear();
}

void DrawingList::paste()
{
    addFiles(UrlsOf(QGuiApplication::clipboard()->mimeData()));
}

void DrawingList::removeSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    m_model->remove(rows);
}

void DrawingList::contextMenuEvent(QContextMenuEvent* event)
{
    // Offered only when they would do something; the shortcuts stay on either way.
    m_paste->setEnabled(LocalFiles(UrlsOf(QGuiApplication::clipboard()->mimeData())));
    m_remove->setEnabled(selectionModel()->hasSelection());
    // From the menu key: under the current drawing, or at the top of the list.
    const QRect item = visualRect(currentIndex());
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
        ? viewport()->mapToGlobal(item.isValid() ? item.bottomLeft() : QPoint(0, 0))
        : event->globalPos();
    QMenu::exec(actions(), at, nullptr, this);
    m_paste->setEnabled(true);
    m_remove->setEnabled(true);
}

bool DrawingList::addFiles(const QList<QUrl>& urls)
{
    if (!LocalFiles(urls))
        return false;
    emit filesArriving();
    QStringList paths;
    paths.reserve(urls.size());
    for (const QUrl& url : urls)
        paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    addPaths(paths);
    return true;
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
    if (addFiles(UrlsOf(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
