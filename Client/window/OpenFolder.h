#pragma once
#include <QAction>
#include <QFutureWatcher>
#include <QThreadPool>

class Host;

// "Apri cartella": opens a folder in the desktop's file manager, from the window's menus and with
// Ctrl+Shift+O anywhere in it. Enabled only while the folder is known to exist: whether it does
// is looked up on a worker of its own, so a share that hangs leaves the item greyed and never
// stops the window.
class OpenFolder : public QAction {
    Q_OBJECT
public:
    OpenFolder(Host& host, QWidget* window);

    // The folder to open, Windows-style; it is looked up anew.
    void setFolder(const QString& folder);
    // Looks the folder up again: it may have appeared since (the server makes it).
    void lookAgain();
    // No lookup is out.
    bool idle() { return m_looks.waitForDone(0); }

private:
    Host& m_host;
    QString m_folder;
    QString m_looked;   // the folder of the lookup that is out
    bool m_looking = false;
    bool m_again = false;   // the folder changed while a lookup was out
    QThreadPool m_looks;
    QFutureWatcher<bool> m_look;
};
