#include "commandline.h"
#include "mainwindow.h"
#include "program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // With CSV options the program prints from the command line instead.
    if (nerufa::batch::wantsCommandLine(argc, argv))
        return nerufa::batch::runCommandLine(argc, argv);
    QApplication app(argc, argv);
    setupApplication(app);
    return runProgram(StartupEnvironment::forThisProgram());
}
