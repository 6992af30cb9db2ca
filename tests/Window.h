#pragma once
#include "Request.h"
#include "window/DrawingList.h"
#include "window/frmClient.h"

#include <QtWidgets>
#include <memory>

// The window's control of that name; every control carries one, and a test that finds none stops.
template <typename T = QWidget> T* Control(const frmClient& w, const char* name)
{
    T* control = w.findChild<T*>(QLatin1String(name));
    if (!control)
        qFatal("no control %s named %s", T::staticMetaObject.className(), name);
    return control;
}

// Files as the desktop's file manager offers them.
inline QMimeData* FileData(const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

// Drag-enter, drag-move and drop; the action the list agreed to, IgnoreAction when it refused.
inline Qt::DropAction DragAndDrop(frmClient& w, QMimeData* data,
                                  Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    std::unique_ptr<QMimeData> owner(data);
    QWidget* target = Control<DrawingList>(w, "ListV")->viewport();
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
