#include "cupsqueues.h"

#include "runtimeerror.h"

#include <QLibrary>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace nerufa::cupsqueues {

namespace {

// libcups is loaded on first use rather than linked: linking it would load
// it and the twenty libraries it needs at every start, before the window
// appears. Only its header is used at build time.
#define NERUFA_CUPS_FUNCTIONS(X) \
    X(cupsAddOption) \
    X(cupsCancelJob2) \
    X(cupsCreateJob) \
    X(cupsDoRequest) \
    X(cupsEncryption) \
    X(cupsFinishDocument) \
    X(cupsFreeDests) \
    X(cupsFreeOptions) \
    X(cupsGetDest) \
    X(cupsGetDests2) \
    X(cupsGetNamedDest) \
    X(cupsGetOption) \
    X(cupsLastError) \
    X(cupsLastErrorString) \
    X(cupsServer) \
    X(cupsSetDests2) \
    X(cupsStartDocument) \
    X(cupsWriteRequestData) \
    X(httpClose) \
    X(httpConnect2) \
    X(ippAddString) \
    X(ippDelete) \
    X(ippFindAttribute) \
    X(ippGetString) \
    X(ippNewRequest) \
    X(ippPort)

struct Cups {
#define NERUFA_CUPS_POINTER(name) decltype(&::name) name = nullptr;
    NERUFA_CUPS_FUNCTIONS(NERUFA_CUPS_POINTER)
#undef NERUFA_CUPS_POINTER
    bool loaded = false;
};

// The functions of libcups; raises PrinterError when it cannot be loaded.
const Cups &cups()
{
    static const Cups api = [] {
        Cups loaded;
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return loaded;
        loaded.loaded = true;
#define NERUFA_CUPS_RESOLVE(name)                                                   \
    loaded.name = reinterpret_cast<decltype(&::name)>(library.resolve(#name)); \
    loaded.loaded = loaded.loaded && loaded.name;
        NERUFA_CUPS_FUNCTIONS(NERUFA_CUPS_RESOLVE)
#undef NERUFA_CUPS_RESOLVE
        return loaded;
    }();
    if (!api.loaded) {
        throw RuntimeError(RuntimeError::Kind::PrinterError,
                           QStringLiteral("印刷システム（CUPS）のライブラリ libcups.so.2 を読み込めませんでした。"));
    }
    return api;
}

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
    const char *media = cups().cupsGetOption(kMediaOption, dest.num_options, dest.options);
    choice.pageSize = media ? pageSizeForMedia(choice.target, QString::fromUtf8(media))
                            : QPrinterInfo::printerInfo(choice.target).defaultPageSize();
    // A queue without a driver names no paper: the slip's A4, said and used.
    if (!choice.pageSize.isValid())
        choice.pageSize = QPageSize(QPageSize::A4);
    const char *orientation = cups().cupsGetOption(kOrientationOption, dest.num_options, dest.options);
    choice.orientation = orientation && qstrcmp(orientation, kLandscape) == 0 ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait;
    return choice;
}

// Why the last libcups request failed, in Japanese.
QString lastCupsReason()
{
    switch (cups().cupsLastError()) {
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
        return QStringLiteral("印刷システムのエラーです（%1）。")
            .arg(QString::fromUtf8(cups().cupsLastErrorString()));
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
    Dests() { count = cups().cupsGetDests2(CUPS_HTTP_DEFAULT, &list); }
    ~Dests() { cups().cupsFreeDests(count, list); }
    Dests(const Dests &) = delete;
    Dests &operator=(const Dests &) = delete;
};

} // namespace

DefaultQueue userDefault()
try {
    DefaultQueue result;
    // The user's own default first: NULL when lpoptions names a queue that
    // is gone, or when no default exists at all.
    if (cups_dest_t *named = cups().cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
        result.choice = choiceFor(*named);
        cups().cupsFreeDests(1, named);
        return result;
    }
    // The system default, asked of the server itself: libcups' own lists
    // drop a default that is gone and mark none instead.
    ipp_t *request = cups().ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t *response = cups().cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    const char *systemDefault =
        cups().ippGetString(cups().ippFindAttribute(response, "printer-name", IPP_TAG_NAME), 0, nullptr);
    const Dests dests;
    const cups_dest_t *dest =
        systemDefault ? cups().cupsGetDest(systemDefault, nullptr, dests.count, dests.list) : nullptr;
    if (dest) {
        result.choice = choiceFor(*dest);
        // With a system default there, no user default means one that is gone.
        result.namedDefaultGone = true;
    }
    cups().ippDelete(response);
    return result;
} catch (const RuntimeError &) {
    // Without libcups there is no queue; the first print says so.
    return {};
}

bool setUserDefault(const PrinterChoice &choice, QString *reason)
{
    Dests dests;
    const QByteArray name = choice.target.toUtf8();
    cups_dest_t *dest = cups().cupsGetDest(name.constData(), nullptr, dests.count, dests.list);
    if (choice.kind != PrinterChoice::Kind::Queue || !dest) {
        *reason = QStringLiteral("プリンタ「%1」が見つかりません。").arg(choice.target);
        return false;
    }
    for (int i = 0; i < dests.count; ++i)
        dests.list[i].is_default = &dests.list[i] == dest;
    if (choice.pageSize.isValid())
        dest->num_options = cups().cupsAddOption(kMediaOption, choice.pageSize.key().toUtf8().constData(),
                                          dest->num_options, &dest->options);
    dest->num_options = cups().cupsAddOption(kOrientationOption,
                                      choice.orientation == QPageLayout::Landscape ? kLandscape : kPortrait,
                                      dest->num_options, &dest->options);
    if (cups().cupsSetDests2(CUPS_HTTP_DEFAULT, dests.count, dests.list) != 0) {
        *reason = QStringLiteral("既定のプリンタを保存できませんでした（%1）。")
                      .arg(QString::fromUtf8(cups().cupsLastErrorString()));
        return false;
    }
    return true;
}

int submitPdf(const QString &queue, const QByteArray &pdf, const QPageSize &pageSize)
{
    // A connection of its own for each job: one broken by a restarted or
    // killed print system is never reused.
    const Cups &api = cups();
    http_t *http = api.httpConnect2(api.cupsServer(), api.ippPort(), nullptr, AF_UNSPEC, api.cupsEncryption(), 1,
                                    30000, nullptr);
    if (!http)
        raiseSubmitError(queue, QStringLiteral("印刷システム（CUPS）に接続できません。"));
    const QByteArray name = queue.toUtf8();
    const char *title = "ネルファ送り状";
    cups_option_t *options = nullptr;
    int optionCount = cups().cupsAddOption("copies", "1", 0, &options);
    if (pageSize.isValid())
        optionCount = cups().cupsAddOption(kMediaOption, pageSize.key().toUtf8().constData(), optionCount, &options);
    const int job = cups().cupsCreateJob(http, name.constData(), title, optionCount, options);
    cups().cupsFreeOptions(optionCount, options);
    bool sent = job > 0
                && cups().cupsStartDocument(http, name.constData(), job, title, CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    sent = sent && cups().cupsWriteRequestData(http, pdf.constData(), size_t(pdf.size())) == HTTP_STATUS_CONTINUE;
    sent = sent && cups().cupsFinishDocument(http, name.constData()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (!sent) {
        // The reason first: cancelling makes a request of its own.
        const QString reason = lastCupsReason();
        if (job > 0)
            cups().cupsCancelJob2(http, name.constData(), job, 0);
        cups().httpClose(http);
        raiseSubmitError(queue, reason);
    }
    // A stopped queue (cupsdisable) takes the job but holds it: say so, or
    // the operator would think the slip was printed.
    cups_dest_t *dest = cups().cupsGetNamedDest(http, name.constData(), nullptr);
    const char *state = dest ? cups().cupsGetOption("printer-state", dest->num_options, dest->options) : nullptr;
    const bool stopped = state && qstrcmp(state, "5") == 0;
    cups().cupsFreeDests(dest ? 1 : 0, dest);
    cups().httpClose(http);
    if (stopped) {
        throw RuntimeError(RuntimeError::Kind::PrinterError,
                           QStringLiteral("プリンタ「%1」は停止しています。送った送り状は、プリンタが再開されると"
                                          "印刷されます（もう一度「印刷」を押すと 2 枚になります）。")
                               .arg(queue));
    }
    return job;
}

} // namespace nerufa::cupsqueues
