#pragma once
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <memory>

// Drags and drops as the desktop's file manager delivers them, and pastes of what it copied, onto
// a window's list.

inline QMimeData* fileData(const QStringList& files)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data->setUrls(urls);
    return data;
}

// Drag-enter, drag-move and drop. Returns the action the list agreed to at enter and at move,
// IgnoreAction when it refused the drag. The drop is sent either way: after a refused drag it
// must change nothing.
inline Qt::DropAction dragAndDrop(frmClient& w, QMimeData* data,
                        Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    std::unique_ptr<QMimeData> owner(data);
    QWidget* target = w.ListV->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    Qt::DropAction agreed = Qt::IgnoreAction;
    if (enter.isAccepted() || move.isAccepted())
        agreed = enter.isAccepted() && move.isAccepted() && enter.dropAction() == move.dropAction()
            ? move.dropAction()
            : Qt::ActionMask;   // accepted once but not the other time: never right
    QDropEvent drop(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return agreed;
}

// Puts data on the clipboard (none: empties it) and presses Ctrl+V in the list, which needs the
// window shown and active. False when the window could not be activated.
inline bool pasteInto(frmClient& w, QMimeData* data)
{
    if (data)
        QGuiApplication::clipboard()->setMimeData(data);
    else
        QGuiApplication::clipboard()->clear();
    w.show();
    if (!QTest::qWaitForWindowActive(&w))
        return false;
    w.ListV->setFocus();
    QTest::keyClick(w.ListV, Qt::Key_V, Qt::ControlModifier);
    return true;
}
