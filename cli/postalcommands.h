#pragma once

#include "orders.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <optional>

// The postal options of the command line:
//   nerufa-slip --postal 1000001         the address(es) of a code
//   nerufa-slip --import-postal FILE     Japan Post's KEN_ALL.CSV, utf_ken_all.csv or JIGYOSYO.CSV
namespace nerufa::cli {

QList<QCommandLineOption> postalOptions();

// Runs the postal option given, if one is, and returns its exit status:
// 0 done, 1 unknown code or a file that could not be imported.
std::optional<int> runPostalCommand(const QCommandLineParser &parser);

// The postal check of a CSV batch, on standard error; nothing when no
// postal data is installed.
void sayPostalWarnings(const QList<batch::Order> &orders);

} // namespace nerufa::cli
