#include "platform/Host.h"
#include "settings/Settings.h"
#include "window/frmClient.h"

#include <QApplication>
#include <QThreadPool>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Host host;
    frmClient window(Settings, host);
    window.openFiles(QCoreApplication::arguments().mid(1));   // Qt's own options are gone by now
    window.show();
    const int exitCode = app.exec();
    // The window is gone; a job file still being written is finished, so that no temporary
    // file is left behind, and the host outlives every file call.
    QThreadPool::globalInstance()->waitForDone();
    return exitCode;
}
