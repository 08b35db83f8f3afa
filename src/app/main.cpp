#include "app/DisplayCheck.h"
#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    ExitUnlessDisplayAvailable();
    QApplication app(argc, argv);
    // The window deletes itself when it closes; the program ends with its last window.
    auto *window = new frmMain;
    window->show();
    return app.exec();
}
