#pragma once

#include "historylocation.h"
#include "historystore.h"
#include "orders.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class HistoryWindow;
class QLabel;
class QPushButton;
class QWidget;
class RecipientMemory;
class SenderBook;
namespace nerufa {
class PrinterSession;
}
namespace nerufa::history {
class HistoryWorker;
}

// The window's slip history. Every slip that printed is recorded on the
// history's own thread; when that fails, a short notice in the recipient
// frame says so and the slips wait for the next print. The 「履歴…」 button
// in the recipient frame opens the history window; the sender lists and
// the recipient memory read from the history. Without a history (switched
// off) none of it exists and the window is as it always was.
class HistoryDesk : public QObject {
    Q_OBJECT

public:
    // Prints a slip onto the current printer as 「印刷」 does, showing any
    // error; true when it printed.
    using PrintSlip = std::function<bool(const nerufa::SlipSnapshot &)>;

    HistoryDesk(QWidget *window, const nerufa::history::Location &location, nerufa::PrinterSession &printers,
                PrintSlip print);
    ~HistoryDesk() override;

    // After the window's first paint: makes the history's button and lists,
    // opens the history and fills the sender lists. Once; nothing when the
    // history is off.
    void start();

    // A slip that printed from the window.
    void recordPrinted(const nerufa::SlipSnapshot &slip, nerufa::history::Source source = nerufa::history::Source::Window);
    // The slips a CSV batch printed: orders[first .. first + printed).
    void recordBatch(const QString &csvPath, const QList<nerufa::batch::Order> &orders, qsizetype first, int printed,
                     const QString &offsetX, const QString &offsetY, const nerufa::PrinterChoice &choice);

    void openHistoryWindow();

    nerufa::history::HistoryWorker *worker() const { return m_worker.get(); }
    SenderBook *senderBook() const { return m_senders; }
    RecipientMemory *recipientMemory() const { return m_recipients; }
    HistoryWindow *historyWindow() const;

private:
    void build();
    void showNotice(const QString &text, const QString &details);
    void switchOff();

    QWidget *m_window;
    nerufa::history::Location m_location;
    bool m_started = false;
    nerufa::PrinterSession &m_printers;
    PrintSlip m_print;
    std::unique_ptr<nerufa::history::HistoryWorker> m_worker;
    QPushButton *m_button = nullptr;
    QLabel *m_notice = nullptr;
    SenderBook *m_senders = nullptr;
    RecipientMemory *m_recipients = nullptr;
    QPointer<HistoryWindow> m_historyWindow;
};
