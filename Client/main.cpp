#include "platform/Host.h"
#include "settings/Settings.h"
#include "window/frmClient.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Host host;
    frmClient window(Settings, host);
    window.show();
    return app.exec();
}
