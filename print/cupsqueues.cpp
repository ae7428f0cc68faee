#include "cupsqueues.h"

#include "runtimeerror.h"

#include <QPrinterInfo>

#include <cups/cups.h>

namespace nerufa::cupsqueues {

namespace {

const char *const kMediaOption = "media";
const char *const kOrientationOption = "orientation-requested";
// IPP orientation-requested values.
const char *const kPortrait = "3";
const char *const kLandscape = "4";

// The paper a queue's "media" option names: one of the queue's own sizes,
// else any size Qt knows by that key.
QPageSize pageSizeForMedia(const QString &queue, const QString &media)
{
    for (const QPageSize &size : QPrinterInfo::printerInfo(queue).supportedPageSizes())
        if (size.key() == media)
            return size;
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
        if (QPageSize::key(QPageSize::PageSizeId(id)) == media)
            return QPageSize(QPageSize::PageSizeId(id));
    return {};
}

PrinterChoice choiceFor(const cups_dest_t &dest)
{
    PrinterChoice choice;
    choice.kind = PrinterChoice::Kind::Queue;
    choice.target = QString::fromUtf8(dest.name);
    const char *media = cupsGetOption(kMediaOption, dest.num_options, dest.options);
    choice.pageSize = media ? pageSizeForMedia(choice.target, QString::fromUtf8(media))
                            : QPrinterInfo::printerInfo(choice.target).defaultPageSize();
    const char *orientation = cupsGetOption(kOrientationOption, dest.num_options, dest.options);
    choice.orientation = orientation && qstrcmp(orientation, kLandscape) == 0 ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait;
    return choice;
}

// Why the last libcups request failed, in Japanese.
QString lastCupsReason()
{
    switch (cupsLastError()) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return QStringLiteral("プリンタが印刷を受け付けていません（停止されています）。");
    case IPP_STATUS_ERROR_NOT_FOUND:
        return QStringLiteral("プリンタが見つかりません。");
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        return QStringLiteral("印刷システム（CUPS）に接続できません。");
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        return QStringLiteral("このプリンタで印刷する権限がありません。");
    default:
        return QStringLiteral("印刷システムのエラーです（%1）。").arg(QString::fromUtf8(cupsLastErrorString()));
    }
}

[[noreturn]] void raiseSubmitError(const QString &queue, const QString &reason)
{
    throw RuntimeError(RuntimeError::Kind::PrinterError,
                       QStringLiteral("プリンタ「%1」に送れませんでした。%2"
                                      "入力した内容はそのまま残っています。")
                           .arg(queue, reason));
}

// libcups' list of destinations, freed when it goes out of scope.
struct Dests {
    cups_dest_t *list = nullptr;
    int count = 0;
    Dests() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &list); }
    ~Dests() { cupsFreeDests(count, list); }
    Dests(const Dests &) = delete;
    Dests &operator=(const Dests &) = delete;
};

} // namespace

DefaultQueue userDefault()
{
    DefaultQueue result;
    // The user's own default first: NULL when lpoptions names a queue that
    // is gone, or when no default exists at all.
    if (cups_dest_t *named = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
        result.choice = choiceFor(*named);
        cupsFreeDests(1, named);
        return result;
    }
    // The system default, asked of the server itself: libcups' own lists
    // drop a default that is gone and mark none instead.
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    const char *systemDefault = ippGetString(ippFindAttribute(response, "printer-name", IPP_TAG_NAME), 0, nullptr);
    const Dests dests;
    if (const cups_dest_t *dest = systemDefault ? cupsGetDest(systemDefault, nullptr, dests.count, dests.list) : nullptr) {
        result.choice = choiceFor(*dest);
        // With a system default there, no user default means one that is gone.
        result.namedDefaultGone = true;
    }
    ippDelete(response);
    return result;
}

bool setUserDefault(const PrinterChoice &choice, QString *reason)
{
    Dests dests;
    const QByteArray name = choice.target.toUtf8();
    cups_dest_t *dest = cupsGetDest(name.constData(), nullptr, dests.count, dests.list);
    if (choice.kind != PrinterChoice::Kind::Queue || !dest) {
        *reason = QStringLiteral("プリンタ「%1」が見つかりません。").arg(choice.target);
        return false;
    }
    for (int i = 0; i < dests.count; ++i)
        dests.list[i].is_default = &dests.list[i] == dest;
    if (choice.pageSize.isValid())
        dest->num_options = cupsAddOption(kMediaOption, choice.pageSize.key().toUtf8().constData(),
                                          dest->num_options, &dest->options);
    dest->num_options = cupsAddOption(kOrientationOption,
                                      choice.orientation == QPageLayout::Landscape ? kLandscape : kPortrait,
                                      dest->num_options, &dest->options);
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, dests.count, dests.list) != 0) {
        *reason = QStringLiteral("既定のプリンタを保存できませんでした（%1）。")
                      .arg(QString::fromUtf8(cupsLastErrorString()));
        return false;
    }
    return true;
}

int submitPdf(const QString &queue, const QByteArray &pdf, const QPageSize &pageSize)
{
    // A connection of its own for each job: one broken by a restarted or
    // killed print system is never reused.
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
    if (!http)
        raiseSubmitError(queue, QStringLiteral("印刷システム（CUPS）に接続できません。"));
    const QByteArray name = queue.toUtf8();
    const char *title = "ネルファ送り状";
    cups_option_t *options = nullptr;
    int optionCount = cupsAddOption("copies", "1", 0, &options);
    if (pageSize.isValid())
        optionCount = cupsAddOption(kMediaOption, pageSize.key().toUtf8().constData(), optionCount, &options);
    const int job = cupsCreateJob(http, name.constData(), title, optionCount, options);
    cupsFreeOptions(optionCount, options);
    bool sent = job > 0
                && cupsStartDocument(http, name.constData(), job, title, CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    sent = sent && cupsWriteRequestData(http, pdf.constData(), size_t(pdf.size())) == HTTP_STATUS_CONTINUE;
    sent = sent && cupsFinishDocument(http, name.constData()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (!sent) {
        // The reason first: cancelling makes a request of its own.
        const QString reason = lastCupsReason();
        if (job > 0)
            cupsCancelJob2(http, name.constData(), job, 0);
        httpClose(http);
        raiseSubmitError(queue, reason);
    }
    httpClose(http);
    return job;
}

} // namespace nerufa::cupsqueues
