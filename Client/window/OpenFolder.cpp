#include "window/OpenFolder.h"

#include "platform/Host.h"

#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

OpenFolder::OpenFolder(Host& host, QWidget* window)
    : QAction(QStringLiteral("Apri cartella"), window)
    , m_host(host)
{
    // Ctrl+O opens a file in most programs; this opens a folder, and takes nothing from them.
    setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    setShortcutContext(Qt::WindowShortcut);
    setEnabled(false);
    window->addAction(this);
    m_looks.setMaxThreadCount(1);
    connect(this, &QAction::triggered, this, [this] { m_host.openFolder(m_folder); });
    connect(&m_look, &QFutureWatcherBase::finished, this, [this] {
        m_looking = false;
        if (m_looked == m_folder)
            setEnabled(m_look.result());
        if (m_again) {
            m_again = false;
            lookAgain();
        }
    });
}

void OpenFolder::setFolder(const QString& folder)
{
    if (folder != m_folder) {
        m_folder = folder;
        setEnabled(false);
    }
    lookAgain();
}

void OpenFolder::lookAgain()
{
    if (m_looking) {
        m_again = true;
        return;
    }
    m_looking = true;
    m_looked = m_folder;
    m_look.setFuture(
        QtConcurrent::run(&m_looks, [&host = m_host, folder = m_folder] { return host.folderExists(folder); }));
}
