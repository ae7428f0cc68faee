#include "mainwindow.h"
#include "program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    return runProgram(StartupEnvironment::forThisProgram());
}
