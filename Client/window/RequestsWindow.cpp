#include "window/RequestsWindow.h"

#include "platform/Host.h"
#include "request/SentRequests.h"

#include <QAction>
#include <QBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

// A state keeps its colour in a selected row: the colour is the state.
class StateDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_Selected;
    }
};

}   // namespace

RequestsWindow::RequestsWindow(SentRequests& requests, Host& host, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_requests(requests)
    , m_host(host)
    , m_table(new QTableView(this))
    , m_open(new QPushButton(QStringLiteral("Apri cartella"), this))
{
    setObjectName(QStringLiteral("RequestsWindow"));
    setWindowTitle(QStringLiteral("Richieste inviate"));
    resize(640, 300);

    m_table->setObjectName(QStringLiteral("Requests"));
    m_table->setModel(&requests);
    m_table->setAccessibleName(windowTitle());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);   // Tab goes on to the buttons
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(SentRequests::FolderColumn, QHeaderView::Stretch);
    m_table->setItemDelegateForColumn(SentRequests::StateColumn, new StateDelegate(m_table));

    auto* close = new QPushButton(QStringLiteral("Chiudi"), this);
    for (QPushButton* button : {m_open, close})
        button->setAutoDefault(true);
    m_open->setToolTip(QStringLiteral("Apre la cartella dei disegni convertiti della richiesta scelta"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_open);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    auto* open = new QAction(QStringLiteral("Apri cartella"), this);
    open->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), QKeySequence(Qt::Key_Return)});
    open->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(open);
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* hide = new QAction(this);
    hide->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(hide);

    connect(open, &QAction::triggered, this, &RequestsWindow::openSelected);
    connect(m_open, &QPushButton::clicked, this, &RequestsWindow::openSelected);
    connect(m_table, &QAbstractItemView::doubleClicked, this, &RequestsWindow::openSelected);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(hide, &QAction::triggered, this, &QWidget::close);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RequestsWindow::enableOpen);
    connect(&requests, &QAbstractItemModel::dataChanged, this, &RequestsWindow::enableOpen);
    // A new request comes in at the top: the keyboard's place is kept on it when there was none.
    connect(&requests, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_table->currentIndex().isValid())
            m_table->setCurrentIndex(m_requests.index(0, 0));
        enableOpen();
    });
    if (requests.rowCount() > 0)
        m_table->setCurrentIndex(requests.index(0, 0));
    m_table->setFocus();
    enableOpen();
}

void RequestsWindow::enableOpen()
{
    const int row = m_table->currentIndex().row();
    m_open->setEnabled(row >= 0 && m_requests.done(row));
}

void RequestsWindow::openSelected()
{
    const int row = m_table->currentIndex().row();
    if (row >= 0 && m_requests.done(row))
        m_host.openFolder(m_requests.request(row).OutputFolder);
}
