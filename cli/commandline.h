#pragma once

#include <QStringList>

#include <optional>

// The command line for printing a CSV file without the window:
//   nerufa-slip --csv FILE [--printer QUEUE | --pdf OUT.pdf] [--check] [--from ROW]
namespace nerufa::cli {

// The window's arguments (file names of CSV files to print) when the
// arguments start the window: no option (an argument beginning with "-")
// but --database URL, which opens the window on that history. Nothing when
// they ask for the command line.
std::optional<QStringList> windowArguments(int argc, char *argv[]);

// Runs the command line and returns the exit status: 0 every slip printed
// (or, with --check, the file is fine), 1 bad input and nothing printed,
// 2 a printer fault stopped the batch. Makes its own application object on
// the offscreen platform, so no display is needed and no window opens.
int runCommandLine(int argc, char *argv[]);

} // namespace nerufa::cli
