#pragma once

#include "profileorders.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

// The command line's import-profile options:
//   --profile NAME|FILE   read the CSV file with this profile
//   --list-profiles       list the profiles and where they are kept
//   --show-profile NAME   print a profile's JSON (to make a copy to edit)
namespace nerufa::cli {

void addProfileOptions(QCommandLineParser &parser);

// Runs --list-profiles or --show-profile and returns the exit status;
// nothing when neither was given.
std::optional<int> runProfileListing(const QCommandLineParser &parser);

// The CSV file read with the profile --profile names, or else as its header
// chooses (the built-in format first).
batch::ChosenOrders readChosenOrders(const QCommandLineParser &parser, const QString &csvPath);

// For --check: the order at `first` as the slip will read it. Nothing for
// a file in the built-in format.
QStringList firstRowLines(const batch::ChosenOrders &chosen, qsizetype first);

} // namespace nerufa::cli
