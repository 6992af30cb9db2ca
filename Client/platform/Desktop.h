#pragma once
#include <QString>
#include <QStringList>

#include <thread>

class QUrl;
class QWidget;

// What the program shows on the desktop besides its window. GUI thread only.

// The modal warning box: title "ATTENZIONE!", one OK button, no icon; a child of parent, which it
// is centred over.
void ShowWarning(const QString& text, QWidget* parent = nullptr);

// The desktop's font configuration, loaded on a thread of its own while the toolkit connects to the
// display: the window's first text needs it, and the two are done sooner side by side. Called
// before the QApplication exists, and joined once it does. Nothing to load on Windows.
std::thread LoadFontsAside();

// Qt's own texts (context menus, standard buttons) in Italian; once per process.
void InstallItalianTranslation();

// The window's taskbar button flashes, or whatever the platform does instead; nothing without a
// window.
void AskForAttention(QWidget* window);

// A notification, where the desktop offers them.
void ShowNotification(const QString& title, const QString& text);

// A folder (a host path) in the desktop's file manager, or a file in the program it opens with.
void OpenOnDesktop(const QString& hostPath);
// A web or mail link (http, https or mailto) in the browser or the mail program.
void OpenLink(const QUrl& link);

// Drawings chosen by the user in a file dialog over parent, starting in folder (a host path); none
// when the dialog was cancelled. The dialog is modal and the user's own doing: the one place where
// the window may wait on a folder.
QStringList ChooseDrawings(QWidget* parent, const QString& folder);
