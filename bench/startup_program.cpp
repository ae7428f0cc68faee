// The program as it starts for real, reporting its first paint on standard
// output; bench_startup runs it.
#include "mainwindow.h"
#include "program.h"
#include "startupprobe.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installFirstPaintProbe(app, QStringLiteral("Form1"));
    setupWindowApplication(app);
    return runProgram();
}
