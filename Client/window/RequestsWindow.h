#pragma once
#include <QWidget>

class Host;
class QAction;
class QTableView;
class SentRequests;

// "Richieste inviate": this run's requests as a table that follows them live, newest first, in a
// window of its own that does not block the main one. The chosen row's actions, as buttons and in
// its menu: "Annulla richiesta" (Canc) while its job waits unclaimed, "Invia di nuovo"
// (Ctrl+Shift+I), and once it is done "Apri log" (Ctrl+Shift+L) and "Apri cartella" (Ctrl+Shift+O,
// Enter or a double-click). Esc closes it.
class RequestsWindow : public QWidget {
    Q_OBJECT
public:
    RequestsWindow(SentRequests& requests, Host& host, QWidget* parent);
    void select(int row);

signals:
    void sendAgain(int row);

private:
    QAction* addRowAction(const QString& text, const QList<QKeySequence>& keys, void (RequestsWindow::*run)(int row));
    void enableActions();
    void withdraw(int row);
    void again(int row) { emit sendAgain(row); }
    void openLog(int row);
    void openFolder(int row);

    SentRequests& m_requests;
    Host& m_host;
    QTableView* m_table;
    QAction *m_withdraw, *m_again, *m_log, *m_open;
};
