#pragma once

// The command line for printing a CSV file without the window:
//   nerufa-slip --csv FILE [--printer QUEUE | --pdf OUT.pdf] [--check] [--from ROW]
namespace nerufa::cli {

// True when the arguments ask for the command line: any of them is an
// option (begins with "-"). A start without options is the window program,
// which takes a file name as a CSV file to print.
bool wantsCommandLine(int argc, char *argv[]);

// Runs the command line and returns the exit status: 0 every slip printed
// (or, with --check, the file is fine), 1 bad input and nothing printed,
// 2 a printer fault stopped the batch. Makes its own application object on
// the offscreen platform, so no display is needed and no window opens.
int runCommandLine(int argc, char *argv[]);

} // namespace nerufa::cli
