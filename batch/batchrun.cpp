#include "batchrun.h"

#include "jobstate.h"
#include "pagedestination.h"
#include "pageprinter.h"
#include "printjobs.h"
#include "runtimeerror.h"

#include <exception>

namespace nerufa::batch {

namespace {

// Runs one step of the batch; any error it raises becomes the message that
// stopped the batch.
QString failureOf(const std::function<void()> &step)
{
    try {
        step();
        return {};
    } catch (const RuntimeError &error) {
        return error.message();
    } catch (const std::exception &error) {
        return RuntimeError::kindName(RuntimeError::Kind::PrinterError)
            + QStringLiteral("\n予期しないエラーが発生しました（%1）。").arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return RuntimeError::kindName(RuntimeError::Kind::PrinterError)
            + QStringLiteral("\n予期しないエラーが発生しました。");
    }
}

} // namespace

qsizetype firstAtOrAfter(const QList<Order> &orders, int row)
{
    qsizetype first = 0;
    while (first < orders.size() && orders[first].row < row)
        ++first;
    return first;
}

BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, Printer &printer, PageDestination &destination,
                     const BeforeSlip &beforeSlip)
{
    BatchResult result;
    JobState state;
    int ended = 0;
    result.error = failureOf([&] {
        for (qsizetype i = first; i < orders.size(); ++i) {
            if (beforeSlip && !beforeSlip(int(i - first), orders[i])) {
                result.stopped = true;
                return;
            }
            SlipSnapshot slip = orders[i].slip;
            slip.offsetXText = offsetXText;
            slip.offsetYText = offsetYText;
            printSlip(slip, state, printer);
            ++ended;
            // A stopped printer keeps what it took; more slips would only
            // pile up behind it.
            if (!destination.deliveries().isEmpty() && destination.deliveries().constLast().held) {
                throw RuntimeError(RuntimeError::Kind::PrinterError,
                                   QStringLiteral("プリンタが停止しているため、ここで止めました。"));
            }
        }
    });
    // The pages done so far are put in place even after a fault, unless
    // finishing fails for the same reason the batch stopped.
    const QString finishing = failureOf([&] { destination.finish(); });
    const bool finished = finishing.isEmpty();
    if (!finished && finishing != result.error)
        result.error = result.error.isEmpty() ? finishing : result.error + QLatin1Char('\n') + finishing;
    result.printed = destination.deliversAtOnce() || finished ? ended : 0;
    const qsizetype next = first + result.printed;
    result.nextRow = next < orders.size() ? orders[next].row : 0;
    // Taken is not yet printed: a printer that stopped holds slips, a job
    // may have been thrown away.
    const PageDestination::Fate fate = destination.fate();
    for (int i : fate.held)
        if (first + i < orders.size())
            result.heldRows << orders[first + i].row;
    for (int i : fate.lost)
        if (first + i < orders.size())
            result.lostRows << orders[first + i].row;
    return result;
}

BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, const PrinterChoice &choice, Waiting &waiting,
                     const BeforeSlip &beforeSlip)
{
    std::unique_ptr<PageDestination> destination;
    BatchResult result;
    result.error = failureOf([&] { destination = openDestination(choice, waiting); });
    if (!destination) {
        result.nextRow = first < orders.size() ? orders[first].row : 0;
        return result;
    }
    PagePrinter printer(*destination);
    return runBatch(orders, first, offsetXText, offsetYText, printer, *destination, beforeSlip);
}

QString resultSentence(const BatchResult &result)
{
    const auto rows = [](const QList<int> &list) {
        QStringList texts;
        for (int row : list)
            texts << QString::number(row);
        return texts.join(QStringLiteral("・"));
    };
    QString sentence = QStringLiteral("%1 枚印刷しました。").arg(result.printed);
    if (!result.heldRows.isEmpty())
        sentence += QStringLiteral("そのうち %1 件目の %2 枚は、止まっているプリンタが印刷を待っています。"
                                   "プリンタが再開されると印刷されるので、もう一度印刷しないでください。")
                        .arg(rows(result.heldRows)).arg(result.heldRows.size());
    if (!result.lostRows.isEmpty())
        sentence += QStringLiteral("%1 件目は印刷システムが取り消したため、印刷されていません。"
                                   "その件だけを印刷し直してください。")
                        .arg(rows(result.lostRows));
    if (result.nextRow > 0)
        sentence += QStringLiteral("次は %1 件目からです。").arg(result.nextRow);
    return sentence;
}

} // namespace nerufa::batch
