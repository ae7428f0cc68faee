#include "historydesk.h"

#include "apptitle.h"
#include "formfields.h"
#include "historywindow.h"
#include "historyworker.h"
#include "printersession.h"
#include "recipientmemory.h"
#include "senderbook.h"
#include "slipbutton.h"

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

using nerufa::history::HistoryError;
using nerufa::history::HistoryStore;
using nerufa::history::HistoryWorker;

HistoryDesk::HistoryDesk(QWidget *window, const nerufa::history::Location &location, nerufa::PrinterSession &printers,
                         PrintSlip print)
    : QObject(window), m_window(window), m_location(location), m_printers(printers), m_print(std::move(print))
{
    setObjectName(QStringLiteral("HistoryDesk"));
}

void HistoryDesk::build()
{
    m_worker = std::make_unique<HistoryWorker>(m_location);
    QWidget *frame = m_window->findChild<QWidget *>(QStringLiteral("Frame1_0"));
    // In the recipient frame's free right column: the button where the
    // sender frame has 「入替」, the notice above it. No tab stops, so the
    // window's tab order stays as it was.
    m_button = new SlipButton(frame);
    m_button->setObjectName(QStringLiteral("RirekiBtn"));
    m_button->setText(QStringLiteral("履歴…"));
    m_button->setGeometry(338, 176, 63, 29);
    m_button->setFocusPolicy(Qt::ClickFocus);
    m_button->show();
    connect(m_button, &QPushButton::clicked, this, &HistoryDesk::openHistoryWindow);
    m_notice = new QLabel(frame);
    m_notice->setObjectName(QStringLiteral("RirekiLb"));
    m_notice->setGeometry(330, 92, 76, 72);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_notice->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    m_notice->hide();

    m_senders = new SenderBook(m_window, *m_worker);
    m_recipients = new RecipientMemory(m_window, *m_worker);
    connect(m_senders, &SenderBook::problem, this,
            [this](const QString &message) { showNotice(QStringLiteral("履歴を読めませんでした"), message); });
    connect(m_worker.get(), &HistoryWorker::recorded, this, [this] {
        m_notice->hide();
        m_senders->load();
        if (m_historyWindow && m_historyWindow->isVisible())
            m_historyWindow->search();
    });
    connect(m_worker.get(), &HistoryWorker::recordFailed, this, [this](const QString &message, int waiting) {
        showNotice(QStringLiteral("履歴に書き込めませんでした"),
                   QStringLiteral("%1\n印刷した %2 枚は、次の印刷のときにもう一度書き込みます。").arg(message).arg(waiting));
    });
}

HistoryDesk::~HistoryDesk() = default;

void HistoryDesk::start()
{
    // Built here rather than with the window: nothing of the history is
    // made before the window's first paint, which it does not need.
    if (m_started || m_location.kind == nerufa::history::Location::Kind::Off)
        return;
    m_started = true;
    build();
    // A history that a newer program made is said once and not used again
    // in this run; any other fault shows as the notice, and the next print
    // tries again.
    QPointer<HistoryDesk> self(this);
    m_worker->post(
        [self](HistoryStore &store) -> HistoryWorker::Reply {
            store.open();
            return [self] {
                if (self)
                    self->m_senders->load();
            };
        },
        [self](const HistoryError &error) {
            if (!self)
                return;
            if (!error.refused())
                return self->showNotice(QStringLiteral("履歴を開けませんでした"), error.message());
            // Not from inside the worker's own reply.
            QTimer::singleShot(0, self, [self, message = error.message()] {
                self->switchOff();
                QMessageBox::warning(self->m_window, applicationTitle(), message);
            });
        });
}

void HistoryDesk::switchOff()
{
    delete m_historyWindow;
    delete m_button;
    delete m_notice;
    delete m_senders;
    delete m_recipients;
    m_button = nullptr;
    m_notice = nullptr;
    m_senders = nullptr;
    m_recipients = nullptr;
    m_worker.reset();
}

void HistoryDesk::showNotice(const QString &text, const QString &details)
{
    if (!m_notice)
        return;
    m_notice->setText(text);
    m_notice->setToolTip(details);
    m_notice->show();
}

void HistoryDesk::recordPrinted(const nerufa::SlipSnapshot &slip, nerufa::history::Source source)
{
    // The slip printed, so its printer is known.
    const nerufa::PrinterChoice *printer = m_printers.known();
    start(); // a print before the window's first paint is over (a file opened with the program)
    if (m_worker)
        m_worker->record({nerufa::history::printedNow(slip, printer ? *printer : nerufa::PrinterChoice{}, source)});
}

void HistoryDesk::recordBatch(const QString &csvPath, const QList<nerufa::batch::Order> &orders, qsizetype first,
                              int printed, const QString &offsetX, const QString &offsetY,
                              const nerufa::PrinterChoice &choice)
{
    start();
    if (!m_worker || printed <= 0)
        return;
    QList<nerufa::history::PrintedSlip> slips;
    for (qsizetype i = first; i < first + printed && i < orders.size(); ++i) {
        nerufa::SlipSnapshot slip = orders[i].slip;
        slip.offsetXText = offsetX;
        slip.offsetYText = offsetY;
        slips << nerufa::history::printedNow(slip, choice, nerufa::history::Source::Csv, QFileInfo(csvPath).fileName(),
                                             orders[i].row);
    }
    m_worker->record(slips);
}

HistoryWindow *HistoryDesk::historyWindow() const
{
    return m_historyWindow;
}

void HistoryDesk::openHistoryWindow()
{
    if (!m_worker)
        return;
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(
            m_window, *m_worker, m_printers,
            [this](const nerufa::SlipSnapshot &slip) {
                formfields::writeSlip(m_window, slip);
                m_window->activateWindow();
            },
            [this](const nerufa::SlipSnapshot &slip) {
                if (m_print(slip))
                    recordPrinted(slip, nerufa::history::Source::Reprint);
            });
    }
    m_historyWindow->search();
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}
