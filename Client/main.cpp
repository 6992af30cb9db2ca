#include "platform/Host.h"
#include "settings/Settings.h"
#include "window/frmClient.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Host host;
    frmClient window(Settings, host);
    window.openFiles(QCoreApplication::arguments().mid(1));   // Qt's own options are gone by now
    window.show();
    const int exitCode = app.exec();
    // A worker still in a call to a share that hangs would hold the process for as long as the
    // share does; nothing is left to save or tell, so the process ends without it.
    if (!window.idle()) {
        fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
