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
{
    setObjectName(QStringLiteral("RequestsWindow"));
    setWindowTitle(QStringLiteral("Richieste inviate"));
    resize(760, 300);

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
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);

    m_withdraw = addRowAction(QStringLiteral("Annulla richiesta"), {QKeySequence::Delete}, &RequestsWindow::withdraw);
    m_again = addRowAction(QStringLiteral("Invia di nuovo"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
                           &RequestsWindow::again);
    m_log = addRowAction(QStringLiteral("Apri log"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)},
                         &RequestsWindow::openLog);
    m_open = addRowAction(QStringLiteral("Apri cartella"),
                          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), QKeySequence(Qt::Key_Return)},
                          &RequestsWindow::openFolder);
    m_withdraw->setToolTip(QStringLiteral("Toglie la richiesta scelta dalla cartella delle richieste, se il server "
                                          "non l'ha ancora presa"));
    m_again->setToolTip(QStringLiteral("Invia di nuovo i disegni della richiesta scelta, come una nuova richiesta"));
    m_log->setToolTip(QStringLiteral("Apre il log in cui il server dice che cosa ha fatto"));
    m_open->setToolTip(QStringLiteral("Apre la cartella dei disegni convertiti della richiesta scelta"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QAction* action : {m_withdraw, m_again, m_log, m_open}) {
        auto* button = new QPushButton(action->text(), this);
        button->setAutoDefault(true);
        button->setToolTip(action->toolTip());
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        buttons->addWidget(button);
    }
    auto* close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setAutoDefault(true);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    auto* hide = new QAction(this);
    hide->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(hide);

    connect(m_table, &QAbstractItemView::doubleClicked, m_open, &QAction::trigger);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(hide, &QAction::triggered, this, &QWidget::close);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RequestsWindow::enableActions);
    connect(&requests, &QAbstractItemModel::dataChanged, this, &RequestsWindow::enableActions);
    // A new request comes in at the top, and is the one chosen.
    connect(&requests, &QAbstractItemModel::rowsInserted, this, [this] { select(0); });
    select(0);
    m_table->setFocus();
}

// An action on the chosen row, in its menu with its shortcut shown, and as a button.
QAction* RequestsWindow::addRowAction(const QString& text, const QList<QKeySequence>& keys,
                                      void (RequestsWindow::*run)(int row))
{
    auto* action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    m_table->addAction(action);
    connect(action, &QAction::triggered, this, [this, run, action] {
        enableActions();   // what is chosen may have changed since
        if (const int row = m_table->currentIndex().row(); row >= 0 && action->isEnabled())
            (this->*run)(row);
    });
    return action;
}

void RequestsWindow::select(int row)
{
    if (row >= 0 && row < m_requests.rowCount())
        m_table->setCurrentIndex(m_requests.index(row, 0));
    enableActions();
}

void RequestsWindow::enableActions()
{
    const int row = m_table->currentIndex().row();
    const bool done = row >= 0 && m_requests.done(row);
    m_withdraw->setEnabled(row >= 0 && m_requests.withdrawable(row));
    m_again->setEnabled(row >= 0);
    m_log->setEnabled(done);
    m_open->setEnabled(done);
}

void RequestsWindow::withdraw(int row)
{
    m_requests.withdraw(row);
}

void RequestsWindow::openLog(int row)
{
    m_host.openFile(m_requests.request(row).LogFilePath);
}

void RequestsWindow::openFolder(int row)
{
    m_host.openFolder(m_requests.request(row).OutputFolder);
}
