// The program's one entry: the command line when options are given, else
// the window, which prints a CSV file named on the command line (as a
// desktop opens one with it) after the operator confirms.
#include "commandline.h"
#include "program.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    const std::optional<QStringList> files = nerufa::cli::windowArguments(argc, argv);
    if (!files)
        return nerufa::cli::runCommandLine(argc, argv);
    if (files->size() > 1) {
        std::fputs("一度に開ける CSV ファイルは 1 つです。\n", stderr);
        return 1;
    }
    const QString file = files->value(0);
    if (!displayAvailable()) {
        std::fputs(file.isEmpty() ? "画面（ディスプレイ）がないため、窓を開けません。\n"
                                  : "画面（ディスプレイ）がないため、窓を開けません。CSV ファイルを窓なしで印刷するには "
                                    "--csv を付けてください（nerufa-slip --csv ファイル）。\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    setupWindowApplication(app);
    return runProgram(file);
}
