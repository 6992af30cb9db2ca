#pragma once
#include <QMap>
#include <QTextBrowser>

class Host;

// The user guide (guida\index.html beside the program, with its pictures), shown in a window of its own with F1.
// Its files are read on a worker, so a program folder on a share that hangs never stops the main window; nothing
// else is ever read for it. A link to another page of guida\ opens here, a web or mail link in the system's
// browser, any other link (a file elsewhere, a folder above) does nothing.
class GuideWindow : public QTextBrowser {
    Q_OBJECT
public:
    GuideWindow(const QString& programDir, Host& host, QWidget* parent);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void follow(const QUrl& link);

    Host& m_host;
    QMap<QString, QByteArray> m_files;   // guida\'s own, by name
};
