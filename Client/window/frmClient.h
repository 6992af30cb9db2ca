#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

#include "request/Status.h"

class DrawingList;
class OpenFolder;
class Host;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class GuideWindow;
class RequestsWindow;
class SentRequests;
struct SettingsRecord;

// The program's one window. Constructing it runs the start-up: defaults, the settings file in
// programDir (its warnings appear before the window does), then the initial display.
class frmClient : public QWidget {
    Q_OBJECT
public:
    frmClient(SettingsRecord& settings, Host& host, const QString& programDir = ProgramDir(),
              QWidget* parent = nullptr);

    // The folder of the executable, Windows-style.
    static QString ProgramDir();

    // Files named on the command line ("Apri con" in a file manager) go into the list as one
    // drop of them; relative paths are taken from the current folder.
    void openFiles(const QStringList& paths);
    // Shown, restored and brought to the front, as for another start of the program.
    void comeToFront();

    // No file call of the window's is still out; one that hangs on a share may never end.
    bool idle();
    // The window's 1500 ms timer, for what else wants a look now and then.
    const QTimer* ticks() const { return Timer1; }

signals:
    // The window is about to close: files handed to it now would be lost.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label6;
    QLineEdit* txtMaxDrawings;
    QLabel* Label5;
    QLabel* lblStatus;
    QFrame* Line1;
    QLabel* Label2;
    DrawingList* ListV;
    QGroupBox* Frame1;
    QRadioButton* OptDXF;
    QRadioButton* OptDWG;
    QLabel* Label3;
    QLineEdit* txtFolder;
    QLabel* Label4;
    QLineEdit* txtPath;
    QPushButton* cmdReset;
    QPushButton* cmdAbort;
    QPushButton* CmdOut;
    QLabel* Label1;
    QTimer* Timer1;

    void buildControls();
    void startUp(const QString& programDir);

    void txtFolder_Change(const QString& text);
    void CmdOut_Click();
    void sendWith(const std::function<bool()>& send);
    void showStatus(StatusCode code);
    void tellElsewhere(const QString& text);
    void jobEnded(const QString& warning);
    void cmdReset_Click();
    void Timer1_Timer();

    SettingsRecord& m_settings;
    Host& m_host;
    SentRequests* m_request;
    RequestsWindow* m_requestsWindow = nullptr;
    GuideWindow* m_guide = nullptr;
    const QString m_programDir;
    OpenFolder* m_openFolder;
    StatusCode m_status = 0;
    bool m_closing = false;
    QPointer<QWidget> m_focusMovedTo;   // where the focus went when Converti was disabled
    QString m_drawingsFolder;   // where the file dialog was left in this run
};
