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
    return result;
}

BatchResult runBatch(const QList<Order> &orders, qsizetype first, const QString &offsetXText,
                     const QString &offsetYText, const PrinterChoice &choice, const BeforeSlip &beforeSlip)
{
    std::unique_ptr<PageDestination> destination;
    BatchResult result;
    result.error = failureOf([&] { destination = openDestination(choice); });
    if (!destination) {
        result.nextRow = first < orders.size() ? orders[first].row : 0;
        return result;
    }
    PagePrinter printer(*destination);
    return runBatch(orders, first, offsetXText, offsetYText, printer, *destination, beforeSlip);
}

QString resultSentence(const BatchResult &result)
{
    QString sentence = QStringLiteral("%1 枚印刷しました。").arg(result.printed);
    if (result.nextRow > 0)
        sentence += QStringLiteral("次は %1 件目からです。").arg(result.nextRow);
    return sentence;
}

} // namespace nerufa::batch
