#pragma once

#include "historylocation.h"
#include "orders.h"
#include "printerchoice.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QCommandLineParser;

// The slip history on the command line:
//   --database URL                    the history to use (else the configured one)
//   --history-search TEXT             matching slips, one tab-separated line each
//   --history-export FILE             matching slips as a CSV file for --csv
//   --since DATE  --until DATE        their date range (YYYY-MM-DD, both included)
// and the recording of the slips a --csv batch printed.
namespace nerufa::cli {

using Say = std::function<void(const QString &)>;

QList<QCommandLineOption> historyOptions();
// The window's --database URL (or --database=URL) among the arguments.
std::optional<QString> databaseArgument(const QStringList &arguments);

// Whether the options ask for a history command; if so, runHistoryCommand
// runs it and returns the exit status (0 done, 1 bad input or no history).
bool wantsHistoryCommand(const QCommandLineParser &parser);
int runHistoryCommand(const QCommandLineParser &parser, const Say &say);

// Where a --csv batch records the slips it printed.
class BatchRecorder {
public:
    BatchRecorder(const QCommandLineParser &parser, const Say &say);
    // A --database that cannot be read: bad input, nothing is printed.
    bool badDatabaseOption() const { return m_bad; }
    // Records orders[first .. first + printed) with the offsets and printer
    // they printed with. A fault is said; what printed stands.
    void record(const QString &csvPath, const QList<batch::Order> &orders, qsizetype first, int printed,
                const QString &offsetX, const QString &offsetY, const PrinterChoice &choice) const;

private:
    Say m_say;
    history::Location m_location;
    bool m_bad = false;
};

} // namespace nerufa::cli
