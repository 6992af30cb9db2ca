#pragma once
#include <QWidget>

class Host;
class QPushButton;
class QTableView;
class SentRequests;

// "Richieste inviate": this run's requests as a table that follows them live, newest first, in a
// window of its own that does not block the main one. "Apri cartella" (Ctrl+Shift+O, Enter or a
// double-click) opens the folder of a request that has ended. Esc closes it.
class RequestsWindow : public QWidget {
    Q_OBJECT
public:
    RequestsWindow(SentRequests& requests, Host& host, QWidget* parent);

private:
    void openSelected();
    void enableOpen();

    SentRequests& m_requests;
    Host& m_host;
    QTableView* m_table;
    QPushButton* m_open;
};
