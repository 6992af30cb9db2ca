#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/OneWindow.h"
#include "settings/Settings.h"
#include "window/frmClient.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    std::thread fonts = LoadFontsAside();
    QApplication app(argc, argv);
    if (fonts.joinable())
        fonts.join();
    // The files named on the command line ("Apri con"), whole: the window may be another process's.
    QStringList files;
    for (const QString& file : QCoreApplication::arguments().mid(1))   // Qt's own options are gone by now
        files << QFileInfo(file).absoluteFilePath();
    OneWindow one(frmClient::ProgramDir());
    if (one.handOver(files))
        return 0;
    Host host;
    frmClient window(Settings, host);
    window.openFiles(files);
    window.openFiles(one.takeHandedOver());   // while a start-up warning was shown
    QObject::connect(&one, &OneWindow::handedOver, &window, [&] {
        window.openFiles(one.takeHandedOver());
        window.comeToFront();
    });
    QObject::connect(&window, &frmClient::closing, &one, &OneWindow::stop);
    QObject::connect(window.ticks(), &QTimer::timeout, &one, &OneWindow::keepListening);
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
