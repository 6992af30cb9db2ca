#pragma once
#include "TestHost.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

// The window on real folders (a program folder with its settings file, a request folder, an
// output root), and files arriving as the desktop's file manager delivers them.
class WindowFixture : public QObject {
protected:
    QTemporaryDir m_tmp;
    SettingsRecord s;
    TestHost host;

    QString jobs() const { return m_tmp.filePath("Richieste"); }
    QString out() const { return m_tmp.filePath("Uscita"); }

    // An empty request folder; a null settings file: none is there.
    std::unique_ptr<frmClient> start(const QByteArray& ini = "MaxNumberFiles=3")
    {
        const QString program = m_tmp.filePath("programma");
        QDir(jobs()).removeRecursively();
        for (const QString& dir : {program, jobs(), out() + "/Lotto7"})
            QDir().mkpath(dir);
        QFile::remove(program + "/kivra_client.ini");
        if (!ini.isNull())
            WriteBytes(program + "/kivra_client.ini", "JobFileDir=" + Native(jobs()).toUtf8() + "\r\nDXFOutDirRoot="
                                                          + Native(out()).toUtf8() + "\r\n" + ini);
        host.warnings.clear();
        return std::make_unique<frmClient>(s, host, Native(program));
    }

    QStringList drawings(int count) const
    {
        QStringList paths;
        for (int i = 1; i <= count; ++i)
            paths << m_tmp.filePath(QString("Disegni/pezzo%1.dxf").arg(i));
        return paths;
    }
};

inline QMimeData* FileData(const QStringList& files)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data->setUrls(urls);
    return data;
}

// Drag-enter, drag-move and drop; the action the list agreed to, IgnoreAction when it refused.
inline Qt::DropAction DragAndDrop(frmClient& w, QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    std::unique_ptr<QMimeData> owner(data);
    QWidget* target = w.ListV->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!enter.isAccepted() || !move.isAccepted())
        return Qt::IgnoreAction;   // and the desktop sends no drop
    QDropEvent drop(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return move.dropAction();
}

// Ctrl+V in the list after a copy in the file manager (null: an empty clipboard).
inline bool Paste(frmClient& w, QMimeData* data)
{
    data ? QGuiApplication::clipboard()->setMimeData(data) : QGuiApplication::clipboard()->clear();
    w.show();
    if (!QTest::qWaitForWindowActive(&w))
        return false;
    w.ListV->setFocus();
    QTest::keyClick(w.windowHandle(), Qt::Key_V, Qt::ControlModifier);
    return true;
}
