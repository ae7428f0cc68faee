#include "csvbatch.h"

#include "apptitle.h"
#include "batchrun.h"
#include "mappingdialog.h"
#include "orders.h"
#include "postalcheck.h"
#include "printersession.h"
#include "profileorders.h"
#include "runtimeerror.h"
#include "spoolerprogress.h"

#include <QCoreApplication>
#include <QDate>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>

using nerufa::batch::Order;


namespace {

constexpr int kRecipientsShown = 5;

// The one local file a drag carries, or an empty text.
QString droppedFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile())
        return {};
    return mime->urls().first().toLocalFile();
}

QString confirmationText(const QString &path, const QList<Order> &orders, qsizetype first,
                         const nerufa::PrinterChoice &choice, int stoppedRow, const QStringList &notes,
                         const QString &postalWarnings)
{
    const qsizetype count = orders.size() - first;
    QString text = QStringLiteral("「%1」の %2 件を送り状に印刷します。\n").arg(QFileInfo(path).fileName()).arg(count);
    for (const QString &note : notes)
        text += note + QLatin1Char('\n');
    if (stoppedRow > 0)
        text += QStringLiteral("前回は途中で止まったため、%1 件目から印刷します。\n").arg(stoppedRow);
    text += QLatin1Char('\n');
    for (qsizetype i = first; i < orders.size() && i < first + kRecipientsShown; ++i)
        text += QStringLiteral("%1 件目\u3000%2\n").arg(orders[i].row).arg(nerufa::batch::recipientLine(orders[i]));
    if (count > kRecipientsShown)
        text += QStringLiteral("ほか %1 件\n").arg(count - kRecipientsShown);
    if (!postalWarnings.isEmpty())
        text += QLatin1Char('\n') + postalWarnings + QLatin1Char('\n');
    text += QLatin1Char('\n') + nerufa::describePrinterChoice(choice);
    return text;
}

} // namespace

CsvBatch::CsvBatch(QWidget *window, QWidget *frame, nerufa::PrinterSession &printers, OffsetTexts offsets)
    : QObject(window), m_window(window), m_printers(printers), m_offsets(std::move(offsets))
{
    setObjectName(QStringLiteral("CsvBatch"));
    // Right of the printer line; no tab stop, so the window's tab order
    // stays as it was.
    m_button = new QPushButton(buttonCaption(), frame);
    m_button->setObjectName(QStringLiteral("CsvBtn"));
    m_button->setGeometry(288, 12, 113, 36);
    m_button->setFocusPolicy(Qt::NoFocus);
    connect(m_button, &QPushButton::clicked, this, &CsvBatch::chooseFile);
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QString CsvBatch::buttonCaption()
{
    return QStringLiteral("CSV から印刷…");
}

bool CsvBatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::DragEnter) {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        if (!droppedFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        return true;
    }
    if (watched == m_window && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        // After the drop has finished, so the file manager is not kept
        // waiting while the dialogs are open.
        QMetaObject::invokeMethod(this, [this, path] { printFile(path); }, Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CsvBatch::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(m_window, buttonCaption(), QString(),
                                                      QStringLiteral("CSV ファイル (*.csv *.CSV);;すべてのファイル (*)"));
    if (!path.isEmpty())
        printFile(path);
}

void CsvBatch::printFile(const QString &path)
{
    // Whatever goes wrong is said in a message; the window goes on.
    try {
        run(path);
    } catch (const nerufa::RuntimeError &error) {
        QMessageBox::critical(m_window, applicationTitle(), error.message());
    } catch (const std::exception &error) {
        QMessageBox::critical(m_window, applicationTitle(),
                              QStringLiteral("予期しないエラーが発生しました。\n") + QString::fromLocal8Bit(error.what()));
    }
}

void CsvBatch::run(const QString &path)
{
    namespace batch = nerufa::batch;
    const QString title = applicationTitle();
    batch::ChosenOrders chosen = batch::readChosenOrders(path, QDate::currentDate());
    if (chosen.unknownHeader) {
        // A header no format knows: ask how it maps, keep the answer as a
        // profile, and read the file with it.
        MappingDialog mapping(path, chosen.table, chosen.profileProblems, QDate::currentDate(), m_window);
        if (mapping.exec() != QDialog::Accepted)
            return;
        chosen = batch::readChosenOrders(path, QDate::currentDate(), mapping.savedFile());
    }
    const batch::OrderList &list = chosen.list;
    const QStringList notes = batch::readingNotes(chosen);
    if (!list.problems.isEmpty()) {
        QMessageBox::critical(m_window, title,
                              QStringLiteral("「%1」に問題があるため、何も印刷していません。\n%2\n%3")
                                  .arg(QFileInfo(path).fileName(), notes.join(QLatin1Char('\n')),
                                       batch::problemsMessage(list.problems)));
        return;
    }

    // The same file again, unchanged since a batch stopped: go on.
    const QDateTime fileTime = QFileInfo(path).lastModified();
    qsizetype first = 0;
    int stoppedRow = 0;
    if (path == m_stoppedPath && fileTime == m_stoppedFileTime) {
        first = batch::firstAtOrAfter(list.orders, m_stoppedNextRow);
        stoppedRow = first < list.orders.size() ? m_stoppedNextRow : 0;
        if (stoppedRow == 0)
            first = 0;
    }

    SpoolerProgress waitingForPrinter(m_window, QStringLiteral("印刷システム（CUPS）の応答を待っています…"));
    const nerufa::PrinterChoice choice = m_printers.current(waitingForPrinter);
    if (choice.kind == nerufa::PrinterChoice::Kind::None)
        throw nerufa::RuntimeError(nerufa::RuntimeError::Kind::PrinterError, nerufa::noPrinterMessage());
    QString postalWarnings;
    if (const auto table = m_postalTable ? m_postalTable() : nullptr)
        postalWarnings = batch::postalWarningsMessage(batch::postalWarnings(list.orders.mid(first), *table));
    QMessageBox confirm(QMessageBox::Question, title,
                        confirmationText(path, list.orders, first, choice, stoppedRow, notes, postalWarnings),
                        QMessageBox::Ok | QMessageBox::Cancel, m_window);
    confirm.button(QMessageBox::Ok)->setText(QStringLiteral("印刷"));
    confirm.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    confirm.setDefaultButton(QMessageBox::Ok);
    confirm.setObjectName(QStringLiteral("CsvConfirm"));
    if (confirm.exec() != QMessageBox::Ok)
        return;

    // The offsets as they stand in the window, as 「印刷」 reads them.
    const auto [offsetX, offsetY] = m_offsets();
    const int count = int(list.orders.size() - first);
    QProgressDialog progress(QString(), QStringLiteral("中止"), 0, count, m_window);
    progress.setObjectName(QStringLiteral("CsvProgress"));
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(360);

    // While the print system takes a slip, the progress dialog stays live
    // and 中止 gives up on that slip.
    struct BatchWaiting final : nerufa::Waiting {
        QProgressDialog &progress;
        explicit BatchWaiting(QProgressDialog &dialog) : progress(dialog) {}
        bool keepWaiting(int) override
        {
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        }
    } waiting(progress);
    const batch::BatchResult result = batch::runBatch(
        list.orders, first, offsetX, offsetY, choice, waiting, [&](int done, const batch::Order &next) {
            progress.setLabelText(QStringLiteral("送り状を印刷しています：%1 / %2 枚目\n%3 件目\u3000%4")
                                      .arg(done + 1).arg(count).arg(next.row).arg(batch::recipientLine(next)));
            progress.setValue(done); // lets the 中止 button be pressed
            return !progress.wasCanceled();
        });
    progress.setValue(result.printed);
    progress.close();
    if (m_printed)
        m_printed(path, list.orders, first, result.printed, offsetX, offsetY, choice);

    m_stoppedPath = result.nextRow > 0 ? path : QString();
    m_stoppedFileTime = fileTime;
    m_stoppedNextRow = result.nextRow;
    const QString again = result.nextRow > 0
        ? QStringLiteral("\n同じファイルをもう一度選ぶと、%1 件目から続けて印刷します。").arg(result.nextRow)
        : QString();
    if (!result.error.isEmpty())
        QMessageBox::critical(m_window, title, QStringLiteral("印刷が途中で止まりました。\n%1\n\n%2%3")
                                                   .arg(result.error, batch::resultSentence(result), again));
    else if (result.stopped)
        QMessageBox::information(m_window, title,
                                 QStringLiteral("印刷を中止しました。%1%2").arg(batch::resultSentence(result), again));
    else if (!result.heldRows.isEmpty() || !result.lostRows.isEmpty())
        QMessageBox::warning(m_window, title, batch::resultSentence(result));
    else
        QMessageBox::information(m_window, title, batch::resultSentence(result));
}
