// The program's one entry: the command line when its options are given,
// else the window.
#include "commandline.h"
#include "program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (nerufa::cli::wantsCommandLine(argc, argv))
        return nerufa::cli::runCommandLine(argc, argv);
    QApplication app(argc, argv);
    setupWindowApplication(app);
    return runProgram();
}
