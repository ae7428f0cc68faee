#pragma once

#include "jobstate.h"
#include "printer.h"
#include "printerchoice.h"
#include "slipsnapshot.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLockFile;
namespace Ui {
class Form1;
}

// Where start-up finds its outside world. The program passes the real
// executable's folder, today's date and the per-user lock file; tests pass
// folders of their own.
struct StartupEnvironment {
    QString programDir;
    QDate today;
    QString lockFilePath;

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
    // hidden controls, desired date preset, lists, and the single-copy check.
    // Returns false when another copy is running; the window must then not
    // be shown and the program ends.
    bool load(const StartupEnvironment &environment);
    // Problems met while loading (offset files that could not be read or
    // created), shown once after the window appears.
    QStringList startupWarnings() const { return m_startupWarnings; }
    void showStartupWarnings();

    // The fields the slip print reads, as they stand now.
    nerufa::SlipSnapshot snapshot() const;

    // Where both print jobs go: the user's default print queue (looked up
    // on first use, after the window is shown, so the print system never
    // slows the start), or what OK in 「プリンタの設定」 chose since.
    const nerufa::PrinterChoice &printerChoice();
    // Makes `choice` the current one for this run and shows it.
    void setPrinterChoice(const nerufa::PrinterChoice &choice);
    const nerufa::JobState &jobState() const { return m_jobState; }

    static QString applicationTitle();

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
    // Print-offset panel (offsetpanel.cpp).
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
    // Printer choice: shown in Frame5; each job gets a new printer made
    // from it and says so first when the user's default queue was gone.
    void showPrinterChoice();
    void runPrintJob(const std::function<void(nerufa::Printer &)> &job);

protected:
    void paintEvent(QPaintEvent *event) override;

private:

    std::unique_ptr<Ui::Form1> ui;
    std::optional<nerufa::PrinterChoice> m_printerChoice;
    bool m_defaultGoneNotice = false;
    bool m_printerShown = false;
    QLabel *m_printerLabel = nullptr;
    nerufa::JobState m_jobState;
    QString m_offsetFileX;
    QString m_offsetFileY;
    std::unique_ptr<QLockFile> m_lock;
    QStringList m_startupWarnings;
};
