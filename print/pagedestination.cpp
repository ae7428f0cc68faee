#include "pagedestination.h"

#include "cupsqueues.h"
#include "printersession.h"
#include "spoolerwait.h"
#include "runtimeerror.h"
#include "systemreason.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <unistd.h>

namespace nerufa {

namespace {

// What a high-resolution QPrinter gives for a PDF file.
constexpr int kPdfResolution = 1200;

[[noreturn]] void raisePrinterError(const QString &detail)
{
    throw RuntimeError(RuntimeError::Kind::PrinterError, detail);
}

// The printer's layout with the origin at the corner of the printable area,
// whatever margins it came with.
QPageLayout printableLayout(QPrinter &printer)
{
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    return printer.pageLayout();
}

// A print queue: every page is its own job of one copy, made as a one-page
// PDF in memory and sent whole.
class QueueDestination final : public PageDestination {
public:
    QueueDestination(const PrinterChoice &choice, Waiting &waiting) : m_choice(choice), m_waiting(waiting)
    {
        struct PageSetup {
            QPageLayout layout;
            int resolution;
        };
        // Qt asks the print system about the queue's paper and margins with
        // no time limit: on a thread of its own, given up when too slow.
        const std::optional<PageSetup> setup = lookUp<PageSetup>(
            [choice] {
                const std::unique_ptr<QPrinter> printer = makePrinter(choice);
                return PageSetup{printableLayout(*printer), printer->resolution()};
            },
            waiting);
        if (!setup)
            raisePrinterError(spoolerNotAnsweringMessage());
        m_layout = setup->layout;
        m_resolution = setup->resolution;
    }

    void deliver(const Painting &paint) override
    {
        QByteArray pdf;
        bool made = false;
        {
            QBuffer buffer(&pdf);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setResolution(m_resolution);
            writer.setPageLayout(m_layout);
            QPainter painter;
            if (painter.begin(&writer)) {
                paint(painter);
                made = painter.end();
            }
        }
        if (!made || pdf.isEmpty())
            raisePrinterError(QStringLiteral("ページを作れませんでした。"));
        const QString queue = m_choice.target;
        const QPageSize size = m_layout.pageSize();
        const cupsqueues::Submission sent = runToTheEnd<cupsqueues::Submission>(
            [queue, info = m_queueInfo, pdf, size](const std::atomic_bool &stop) {
                return cupsqueues::submitPdf(queue, *info, pdf, size, stop);
            },
            m_waiting);
        m_deliveries.append({sent.jobId, sent.held});
    }

    void finish() override {}
    bool deliversAtOnce() const override { return true; }

    Fate fate() override
    {
        QList<int> jobs;
        for (const Delivery &delivery : std::as_const(m_deliveries))
            jobs << delivery.jobId;
        const QString queue = m_choice.target;
        const std::optional<cupsqueues::JobsReport> report = lookUp<cupsqueues::JobsReport>(
            [queue, jobs] { return cupsqueues::jobsReport(queue, jobs); }, m_waiting);
        Fate fate;
        if (!report || !report->answered)
            return fate;
        for (qsizetype i = 0; i < m_deliveries.size(); ++i) {
            if (report->queueStopped && report->waiting.contains(m_deliveries[i].jobId))
                fate.held << int(i);
            if (report->lost.contains(m_deliveries[i].jobId))
                fate.lost << int(i);
        }
        return fate;
    }

private:
    PrinterChoice m_choice;
    Waiting &m_waiting;
    QPageLayout m_layout;
    int m_resolution = 1200;
    // Looked up with the first page, kept for the others.
    std::shared_ptr<cupsqueues::QueueInfo> m_queueInfo = std::make_shared<cupsqueues::QueueInfo>();
};

// A PDF file of one page per delivery. Pages go straight into a file written
// beside the target, so memory does not grow with the page count; the target
// is replaced only by finish(), once every page is on the disk. A
// destination dropped unfinished, or failed once, leaves an earlier file of
// that name as it was and no partial file behind.
class PdfFileDestination final : public PageDestination {
public:
    explicit PdfFileDestination(const PrinterChoice &choice)
        : m_layout(choice.pageSize.isValid() ? choice.pageSize : QPageSize(QPageSize::A4), choice.orientation,
                   QMarginsF()),
          m_file(choice.target)
    {
        // No printer is asked: a PDF file is written whatever the print
        // system does.
        m_layout.setMinimumMargins(QMarginsF());
    }

    ~PdfFileDestination() override { discard(); }

    void deliver(const Painting &paint) override
    {
        if (m_failed)
            raisePrinterError(m_failure);
        if (!m_writer) {
            if (!m_file.open(QIODevice::WriteOnly))
                fail(QStringLiteral("フォルダがないか、書き込みが許されていません"));
            m_writer = std::make_unique<QPdfWriter>(&m_file);
            m_writer->setResolution(kPdfResolution);
            m_writer->setPageLayout(m_layout);
            if (!m_painter.begin(m_writer.get()))
                fail(QStringLiteral("ページを作れませんでした"));
        } else if (!m_writer->newPage()) {
            fail(QStringLiteral("ページを作れませんでした"));
        }
        paint(m_painter);
        if (m_file.error() != QFileDevice::NoError)
            fail(QStringLiteral("書き込みに失敗しました"));
        m_deliveries.append(Delivery{});
    }

    void finish() override
    {
        if (m_failed)
            raisePrinterError(m_failure);
        if (!m_writer)
            return; // no page: nothing is written
        const bool ended = m_painter.isActive() && m_painter.end();
        if (!ended || !m_file.flush() || ::fsync(m_file.handle()) != 0)
            fail(QStringLiteral("書き込みに失敗しました"));
        if (!m_file.commit())
            fail(QStringLiteral("書き込みに失敗しました"));
        m_writer.reset();
    }

    bool deliversAtOnce() const override { return false; }

private:
    // Gives up the file for good: a destination that failed once writes
    // nothing more, and says the same when asked again.
    [[noreturn]] void fail(const QString &fallback)
    {
        // The folder is examined before the part-written file is removed,
        // which would free the space it took.
        const QString reason = systemreason::whyWriteFailed(
            m_file.fileName(), qMax(m_file.pos(), m_file.size()),
            m_file.error() != QFileDevice::NoError ? fallback + QStringLiteral("：") + m_file.errorString() : fallback);
        discard();
        m_failed = true;
        m_failure = QStringLiteral("PDFファイル「%1」を書き込めませんでした（%2）。"
                                   "同じ名前の前のファイルはそのまま残っています。")
                        .arg(m_file.fileName(), reason);
        raisePrinterError(m_failure);
    }

    void discard() noexcept
    {
        if (m_painter.isActive()) {
            // Ending a painter whose device already failed makes Qt warn on
            // the terminal; the file is thrown away anyway.
            m_painter.end();
        }
        m_writer.reset();
        m_file.cancelWriting();
    }

    QPageLayout m_layout;
    QSaveFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    bool m_failed = false;
    QString m_failure;
};

} // namespace

std::unique_ptr<PageDestination> openDestination(const PrinterChoice &choice, Waiting &waiting)
{
    switch (choice.kind) {
    case PrinterChoice::Kind::PdfFile:
        return std::make_unique<PdfFileDestination>(choice);
    case PrinterChoice::Kind::Queue:
        return std::make_unique<QueueDestination>(choice, waiting);
    case PrinterChoice::Kind::None:
        break;
    }
    raisePrinterError(noPrinterMessage());
}

std::unique_ptr<QPrinter> makePrinter(const PrinterChoice &choice)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    switch (choice.kind) {
    case PrinterChoice::Kind::None:
        raisePrinterError(noPrinterMessage());
    case PrinterChoice::Kind::Queue:
        // Asked afresh each time: a queue can be deleted, or the print
        // system stopped, while the program runs.
        if (QPrinterInfo::printerInfo(choice.target).isNull()) {
            raisePrinterError(QStringLiteral("プリンタ「%1」が見つかりません。"
                                             "プリンタが削除されたか、印刷システム（CUPS）が動いていません。"
                                             "「プリンタの設定」でプリンタを選び直してください。")
                                  .arg(choice.target));
        }
        printer->setOutputFormat(QPrinter::NativeFormat);
        printer->setPrinterName(choice.target);
        break;
    case PrinterChoice::Kind::PdfFile:
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(choice.target);
        break;
    }
    if (choice.pageSize.isValid())
        printer->setPageSize(choice.pageSize);
    printer->setPageOrientation(choice.orientation);
    // A slip is one page on one sheet.
    printer->setCopyCount(1);
    printer->setDuplex(QPrinter::DuplexNone);
    return printer;
}

} // namespace nerufa
