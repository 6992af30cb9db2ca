#pragma once
#include <QTextBrowser>

// The user guide (guida\index.html beside the program, with its pictures), shown in a window of its own with F1.
// Its files are read on a worker, so a program folder on a share that hangs never stops the main window.
class GuideWindow : public QTextBrowser {
    Q_OBJECT
public:
    GuideWindow(const QString& programDir, QWidget* parent);
};
