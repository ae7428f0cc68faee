#include "cupsqueues.h"

#include "runtimeerror.h"
#include "systemreason.h"

#include <QDir>
#include <QLibrary>
#include <QPrinterInfo>

#include <algorithm>
#include <chrono>
#include <thread>

#include <cups/cups.h>

namespace nerufa::cupsqueues {

namespace {

// libcups is loaded on first use rather than linked: linking it would load
// it and the twenty libraries it needs at every start, before the window
// appears. Only its header is used at build time.
#define NERUFA_CUPS_FUNCTIONS(X) \
    X(cupsAddOption) \
    X(cupsCancelJob2) \
    X(cupsCopyDestInfo) \
    X(cupsCreateDestJob) \
    X(cupsDoRequest) \
    X(cupsEncryption) \
    X(cupsFinishDocument) \
    X(cupsFreeDestInfo) \
    X(cupsFreeDests) \
    X(cupsFreeJobs) \
    X(cupsFreeOptions) \
    X(cupsGetDest) \
    X(cupsGetDests2) \
    X(cupsGetJobs2) \
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
    X(httpSetTimeout) \
    X(ippAddString) \
    X(ippDelete) \
    X(ippFindAttribute) \
    X(ippGetInteger) \
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

// The longest one connection may wait for the print system: every request
// of a look-up or of one job fits well within it.
constexpr int kConnectMs = 5000;
constexpr int kRequestSeconds = 10;

[[noreturn]] void raise(const QString &detail)
{
    throw RuntimeError(RuntimeError::Kind::PrinterError, detail);
}

QString notAnswering()
{
    return QStringLiteral("印刷システム（CUPS）が応答しません。");
}

// A connection to the print system that gives up on its own: when the
// server does not answer within kRequestSeconds, or when `stop` is set, the
// request under way fails instead of waiting for ever.
class Connection {
public:
    explicit Connection(const std::atomic_bool *stop = nullptr)
        : m_stop(stop), m_start(std::chrono::steady_clock::now())
    {
        const Cups &api = cups();
        m_http = api.httpConnect2(api.cupsServer(), api.ippPort(), nullptr, AF_UNSPEC, api.cupsEncryption(), 1,
                                  kConnectMs, nullptr);
        if (m_http)
            api.httpSetTimeout(m_http, 1.0, &Connection::stillWaiting, this);
    }
    ~Connection()
    {
        if (m_http)
            cups().httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    http_t *http() const { return m_http; }
    bool gaveUp() const { return m_gaveUp; }

private:
    // libcups asks once a second while a reply is missing: 1 waits on, 0
    // fails the request.
    static int stillWaiting(http_t *, void *data)
    {
        auto *self = static_cast<Connection *>(data);
        const bool stopped = self->m_stop && self->m_stop->load();
        const bool late = std::chrono::steady_clock::now() - self->m_start > std::chrono::seconds(kRequestSeconds);
        self->m_gaveUp = stopped || late;
        return self->m_gaveUp ? 0 : 1;
    }

    const std::atomic_bool *m_stop;
    std::chrono::steady_clock::time_point m_start;
    http_t *m_http = nullptr;
    bool m_gaveUp = false;
};

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
QString lastCupsReason(const Connection &connection)
{
    if (connection.gaveUp())
        return notAnswering();
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
    raise(QStringLiteral("プリンタ「%1」に送れませんでした。%2送り状は印刷していません。"
                         "入力した内容はそのまま残っています。")
              .arg(queue, reason));
}

// libcups' list of destinations, freed when it goes out of scope.
struct Dests {
    cups_dest_t *list = nullptr;
    int count = 0;
    explicit Dests(http_t *http) { count = cups().cupsGetDests2(http, &list); }
    ~Dests() { cups().cupsFreeDests(count, list); }
    Dests(const Dests &) = delete;
    Dests &operator=(const Dests &) = delete;
};

// Cancels a job whose sending was not confirmed, so that it can never
// print after the program said it did not. When the print system does not
// answer now, this goes on trying for two minutes in the background.
void cancelUnconfirmed(const QByteArray &queue, int job)
{
    const auto cancel = [queue, job] {
        const Connection connection;
        return connection.http() && cups().cupsCancelJob2(connection.http(), queue.constData(), job, 0) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    };
    if (cancel())
        return;
    std::thread([cancel] {
        for (int tries = 0; tries < 24 && !cancel(); ++tries)
            std::this_thread::sleep_for(std::chrono::seconds(5));
    }).detach();
}

} // namespace

DefaultQueue userDefault()
try {
    DefaultQueue result;
    const Connection connection;
    if (!connection.http())
        return result; // no print system: no queue; the first print says so
    // The user's own default first: NULL when lpoptions names a queue that
    // is gone, or when no default exists at all.
    if (cups_dest_t *named = cups().cupsGetNamedDest(connection.http(), nullptr, nullptr)) {
        result.choice = choiceFor(*named);
        cups().cupsFreeDests(1, named);
        return result;
    }
    // The system default, asked of the server itself: libcups' own lists
    // drop a default that is gone and mark none instead.
    ipp_t *request = cups().ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t *response = cups().cupsDoRequest(connection.http(), request, "/");
    const char *systemDefault =
        cups().ippGetString(cups().ippFindAttribute(response, "printer-name", IPP_TAG_NAME), 0, nullptr);
    const Dests dests(connection.http());
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

QList<Queue> queues()
{
    QList<Queue> found;
    for (const QString &name : QPrinterInfo::availablePrinterNames()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        found.append({name, info.supportedPageSizes(), info.defaultPageSize()});
    }
    return found;
}

bool setUserDefault(const PrinterChoice &choice, QString *reason, const std::atomic_bool &stop)
{
    const Connection connection(&stop);
    const Dests dests(connection.http());
    const QByteArray name = choice.target.toUtf8();
    cups_dest_t *dest = cups().cupsGetDest(name.constData(), nullptr, dests.count, dests.list);
    if (!connection.http() || connection.gaveUp()) {
        *reason = QStringLiteral("既定のプリンタを保存できませんでした（%1）。").arg(notAnswering());
        return false;
    }
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
    if (cups().cupsSetDests2(connection.http(), dests.count, dests.list) != 0) {
        // libcups keeps the choice in a file of its own, the user's
        // lpoptions; when that cannot be written it reports no error of the
        // print system.
        const QString file = QDir::homePath() + QStringLiteral("/.cups/lpoptions");
        const QString why = cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE
            ? lastCupsReason(connection)
            : systemreason::whyWriteFailed(file, 0, QStringLiteral("ファイル「%1」に書き込めません").arg(file));
        *reason = QStringLiteral("既定のプリンタを保存できませんでした（%1）。").arg(why);
        return false;
    }
    return true;
}

struct QueueInfo::Found {
    cups_dest_t *dest = nullptr;
    cups_dinfo_t *info = nullptr;
    QByteArray uri;      // the queue's printer-uri
    QByteArray resource; // where its requests go
    ~Found()
    {
        // Only made once libcups is loaded.
        cups().cupsFreeDestInfo(info);
        cups().cupsFreeDests(1, dest);
    }
};

QueueInfo::QueueInfo() = default;
QueueInfo::~QueueInfo() = default;

namespace {

// Whether the queue is stopped (cupsdisable, a printer out of paper): one
// request for the printer's state alone.
bool queueStopped(const Connection &connection, const QByteArray &uri, const QByteArray &resource)
{
    const Cups &api = cups();
    ipp_t *request = api.ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    api.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    api.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-state");
    ipp_t *response = api.cupsDoRequest(connection.http(), request, resource.constData());
    ipp_attribute_t *state = api.ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    const bool stopped = state && api.ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
    api.ippDelete(response);
    return stopped;
}

} // namespace

Submission submitPdf(const QString &queue, QueueInfo &info, const QByteArray &pdf, const QPageSize &pageSize,
                     const std::atomic_bool &stop)
{
    const Cups &api = cups();
    const Connection connection(&stop);
    if (!connection.http())
        raiseSubmitError(queue, QStringLiteral("印刷システム（CUPS）に接続できません。"));
    const QByteArray name = queue.toUtf8();
    // The queue and what the print system says about it, as every job
    // creation needs them: asked with the first job, then kept.
    if (!info.m_found) {
        cups_dest_t *dest = api.cupsGetNamedDest(connection.http(), name.constData(), nullptr);
        cups_dinfo_t *described = dest ? api.cupsCopyDestInfo(connection.http(), dest) : nullptr;
        if (!described) {
            const QString reason = lastCupsReason(connection);
            api.cupsFreeDests(dest ? 1 : 0, dest);
            raiseSubmitError(queue, reason);
        }
        auto found = std::make_unique<QueueInfo::Found>();
        found->dest = dest;
        found->info = described;
        found->uri = api.cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
        if (found->uri.isEmpty())
            found->uri = "ipp://localhost/printers/" + name;
        found->resource = "/printers/" + name;
        info.m_found = std::move(found);
    }
    const QueueInfo::Found &found = *info.m_found;
    const char *title = "ネルファ送り状";
    cups_option_t *options = nullptr;
    int optionCount = api.cupsAddOption("copies", "1", 0, &options);
    if (pageSize.isValid())
        optionCount = api.cupsAddOption(kMediaOption, pageSize.key().toUtf8().constData(), optionCount, &options);
    int job = 0;
    api.cupsCreateDestJob(connection.http(), found.dest, found.info, &job, title, optionCount, options);
    api.cupsFreeOptions(optionCount, options);
    bool sent = job > 0
                && api.cupsStartDocument(connection.http(), name.constData(), job, title, CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    sent = sent && api.cupsWriteRequestData(connection.http(), pdf.constData(), size_t(pdf.size())) == HTTP_STATUS_CONTINUE;
    sent = sent && api.cupsFinishDocument(connection.http(), name.constData()) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (!sent) {
        // The reason first: cancelling makes a request of its own.
        const QString reason = lastCupsReason(connection);
        if (job > 0)
            cancelUnconfirmed(name, job);
        raiseSubmitError(queue, reason);
    }
    // A stopped queue (cupsdisable, a printer out of paper) takes the job
    // but holds it until the printer is resumed.
    return {job, queueStopped(connection, found.uri, found.resource)};
}

JobsReport jobsReport(const QString &queue, const QList<int> &jobIds)
{
    JobsReport report;
    const Connection connection;
    if (!connection.http() || jobIds.isEmpty())
        return report;
    const QByteArray name = queue.toUtf8();
    cups_job_t *jobs = nullptr;
    const int count = cups().cupsGetJobs2(connection.http(), &jobs, name.constData(), 0, CUPS_WHICHJOBS_ALL);
    if (count < 0 || connection.gaveUp())
        return report;
    for (int i = 0; i < count; ++i) {
        if (!jobIds.contains(jobs[i].id))
            continue;
        if (jobs[i].state < IPP_JSTATE_CANCELED)
            report.waiting << jobs[i].id;
        else if (jobs[i].state != IPP_JSTATE_COMPLETED)
            report.lost << jobs[i].id;
    }
    cups().cupsFreeJobs(count, jobs);
    cups_dest_t *dest = cups().cupsGetNamedDest(connection.http(), name.constData(), nullptr);
    const char *state = dest ? cups().cupsGetOption("printer-state", dest->num_options, dest->options) : nullptr;
    report.queueStopped = state && qstrcmp(state, "5") == 0;
    cups().cupsFreeDests(dest ? 1 : 0, dest);
    report.answered = !connection.gaveUp();
    std::sort(report.waiting.begin(), report.waiting.end());
    std::sort(report.lost.begin(), report.lost.end());
    return report;
}

} // namespace nerufa::cupsqueues
