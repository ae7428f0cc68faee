#pragma once

#include "historylocation.h"
#include "jobstate.h"
#include "offsetfiles.h"
#include "printer.h"
#include "printersession.h"
#include "singlecopy.h"
#include "slipsnapshot.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class CsvBatch;
class PostalHints;
class HistoryDesk;
class QLabel;
namespace Ui {
class Form1;
}

// Where start-up finds its outside world. The program passes the real
// executable's folder, today's date, the per-user lock file and the user's
// configuration folder (offsets of a program whose folder is not writable);
// tests pass folders of their own.
struct StartupEnvironment {
    QString programDir;
    QDate today;
    QString lockFilePath;
    QString configFolder;
    // The slip history (off unless given), and why the configured one could
    // not be used.
    nerufa::history::Location history = {};
    QString historyProblem = {};

    static StartupEnvironment forThisProgram();
};

// The one window. Its controls hold every field of the slip; each handler
// reads and writes them directly and runs inside an error guard, so a
// failing conversion, file or printer shows a message and leaves every
// field as it was.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The window's load step, run once before it is shown: offset files,
    // hidden controls, desired date preset, and the single-copy check.
    // Returns false when another copy is running; the window must then not
    // be shown and the program ends.
    bool load(const StartupEnvironment &environment);
    // Problems met while loading (offset files that could not be read or
    // created), shown once after the window appears.
    QStringList startupWarnings() const { return m_startupWarnings; }
    // What follows the window's first appearance, once the event loop runs:
    // the current printer is looked up and shown (the print system never
    // slows the start), then the start-up warnings are shown.
    void afterShown();

    // The fields the slip print reads, as they stand now.
    nerufa::SlipSnapshot snapshot() const;

    // Where both print jobs and the CSV batch go.
    nerufa::PrinterSession &printerSession() { return m_printers; }
    // Makes `choice` the current one for this run and shows it, without
    // keeping it as the user's default.
    void setPrinterChoice(const nerufa::PrinterChoice &choice);

    // Offers a CSV file for printing, as 「CSV から印刷…」 does, once the
    // window is up: a file named when the program was started.
    void offerCsvFile(const QString &path);
    // The CSV batch of the window: the button, drops, and files named when
    // the program was started.
    CsvBatch *csvBatch() const { return m_csvBatch; }
    // Postal codes to addresses and back, once the table is read.
    PostalHints *postalHints() const { return m_postalHints; }
    // The slip history, after load().
    HistoryDesk *history() const { return m_history; }

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The handlers, each connected to its control in the constructor.
    // Address blocks.
    void showRecipientCareOf(bool checked);
    void showSenderCareOf(bool checked);
    void exchangeBlocks();
    void clearRecipient();
    void clearSender();
    // Goods amounts and total.
    void showNumericArea(bool down);
    void computeTotal();
    // Desired delivery date.
    void showDesiredDate(bool down);
    // Print-offset panel.
    void showOffsetPanel(bool down);
    void copyOffsetX(int value);
    void copyOffsetY(int value);
    void saveOffsetsClicked();
    void printPositionCheckClicked();
    // Printing, printer setup and exit.
    void printSlipClicked();
    void setUpPrinter();
    void exitClicked();

    // Runs a handler body; a RuntimeError (or any other exception) stops it
    // and is shown to the operator in a critical message box.
    void guardedCall(const std::function<void()> &body);
    void showError(const QString &message);
    void setDesiredDateCaptionColour(bool down);
    // The current printer, in Frame5; false while it is still being looked up.
    bool showPrinterChoice();
    // One job onto a destination opened for it from the current printer,
    // saying first when the user's default queue was gone.
    void runPrintJob(const std::function<void(nerufa::Printer &)> &job);
    // The slip print onto the current printer, errors shown; true when the
    // page was handed over.
    bool printSnapshot(const nerufa::SlipSnapshot &slip);
    // Queues afterShown() once: after the first paint, or a moment after
    // showing when no paint comes.
    void queueAfterShown();
    static constexpr int kAfterShownFallbackMs = 500;

    std::unique_ptr<Ui::Form1> ui;
    nerufa::PrinterSession m_printers;
    QLabel *m_printerLabel = nullptr;
    CsvBatch *m_csvBatch = nullptr;
    PostalHints *m_postalHints = nullptr;
    HistoryDesk *m_history = nullptr;
    nerufa::JobState m_jobState;
    nerufa::offsets::OffsetPlace m_offsetPlace;
    SingleCopyLock m_lock;
    QStringList m_startupWarnings;
    bool m_fitted = false; // captions and number boxes fitted to their text
    bool m_afterShownQueued = false;
};
