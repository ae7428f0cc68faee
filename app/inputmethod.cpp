#include "inputmethod.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

using nerufa::slip::InputMode;

namespace {

// How long an input method may take to answer the first call of a focus
// change, which only asks; one that does not answer in time is left alone
// for that focus change. The switch that follows may take longer: the
// first one starts Mozc's session or engine (about 0.2 s).
constexpr int kAnswerMs = 100;
constexpr int kSwitchMs = 2000;
// Fcitx 5 gives a window its input context only when the window first
// takes input-method text; until then a switch would reach another
// program's. The switch waits for it this often, this long apart.
constexpr int kRetries = 10;
constexpr int kRetryMs = 50;

const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");
const QString kFcitxPath = QStringLiteral("/controller");
const QString kFcitxInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

// Qt's IBus module talks to IBus over a connection of this name; a call
// on it comes from the owner of the window's input context, which IBus
// requires for switching a mode of it.
const QString kIBusConnection = QStringLiteral("QIBusProxy");
const QString kIBusService = QStringLiteral("org.freedesktop.IBus");
const QString kIBusPath = QStringLiteral("/org/freedesktop/IBus");
const QString kIBusInterface = QStringLiteral("org.freedesktop.IBus");
const QString kIBusContextInterface = QStringLiteral("org.freedesktop.IBus.InputContext");
// IBus Mozc's engine and the properties of its input modes.
const QString kMozcEngine = QStringLiteral("mozc-jp");
const QString kMozcHiragana = QStringLiteral("InputMode.Hiragana");
const QString kMozcDirect = QStringLiteral("InputMode.Direct");
constexpr uint kPropertyChecked = 1;

// The table's field for a focused widget: its own, or for the edit inside
// a combo box, the box's.
const nerufa::slip::Field *fieldOf(const QWidget *widget, const QWidget *window)
{
    for (; widget && widget != window; widget = widget->parentWidget())
        if (const nerufa::slip::Field *field = nerufa::slip::fieldNamed(widget->objectName()))
            return field;
    return nullptr;
}

// Whether Fcitx's description of its input contexts has one of this
// program's (lines "IC [...] program:NAME frontend:... focus:1"), with the
// focus if `focused`.
bool ownContext(const QString &debugInfo, bool focused)
{
    const QString program = QStringLiteral(" program:%1 ").arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    for (const QStringView line : QStringView(debugInfo).split(u'\n'))
        if (line.contains(program) && (!focused || line.trimmed().endsWith(u"focus:1")))
            return true;
    return false;
}

QDBusMessage fcitxCall(const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kFcitxService, kFcitxPath, kFcitxInterface, method);
    // Never start Fcitx just because a field got the focus.
    message.setAutoStartService(false);
    return message;
}

} // namespace

InputMethodSwitch::InputMethodSwitch(QWidget *window) : QObject(window), m_window(window)
{
    connect(qApp, &QApplication::focusChanged, this, &InputMethodSwitch::focusMoved);
}

InputMethodSwitch::Method InputMethodSwitch::method() const
{
    // The input method Qt itself talks to comes first: IBus when Qt's IBus
    // module is connected, else Fcitx 5 when it runs on the session bus.
    if (QDBusConnection(kIBusConnection).isConnected())
        return Method::IBus;
    return m_sessionBus == Bus::Ready && m_fcitx == Fcitx::Running ? Method::Fcitx5 : Method::None;
}

void InputMethodSwitch::focusMoved(QWidget *old, QWidget *now)
{
    if (!now || !m_window->isAncestorOf(now))
        return;
    const nerufa::slip::Field *field = fieldOf(now, m_window);
    if (!field || field->input == InputMode::Unset)
        return;
    const bool fromOwnInput = old && m_window->isAncestorOf(old) && old->inputMethodQuery(Qt::ImEnabled).toBool();
    const Request request{now, QString::fromLatin1(field->name), field->input, fromOwnInput};
    // Queued, so that Qt's input-method module has told the input method
    // about the focus before the switch is asked for.
    QTimer::singleShot(0, this, [this, request] { apply(request, kRetries); });
}

void InputMethodSwitch::apply(const Request &request, int retriesLeft)
{
    if (!request.widget || request.widget != QApplication::focusWidget())
        return; // the focus has moved on
    // An input method switches the input context that had the focus last.
    // Off is asked for only when that was this window's, that is when the
    // focus came from the window's own input; so the start, whose first
    // field is an off one, asks nothing at all.
    if (request.mode == InputMode::Off && !request.fromOwnInput)
        return;
    switch (method()) {
    case Method::IBus:
        applyIBus(request);
        return;
    case Method::Fcitx5:
        applyFcitx(request, retriesLeft);
        return;
    case Method::None:
        break;
    }
    if (m_sessionBus == Bus::Unknown || m_sessionBus == Bus::Connecting) {
        m_waiting = request;
        connectSessionBus();
    } else if (m_sessionBus == Bus::Ready && m_fcitx == Fcitx::Unknown) {
        lookForFcitx(request);
    }
}

void InputMethodSwitch::lookForFcitx(const Request &request)
{
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << kFcitxService;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(hasOwner, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        // No answer in time: this focus change is given up, the next one asks again.
        if (watcher->isError())
            return;
        if (m_fcitx == Fcitx::Unknown)
            m_fcitx = watcher->reply().arguments().value(0).toBool() ? Fcitx::Running : Fcitx::Absent;
        apply(request, kRetries);
    });
}

void InputMethodSwitch::applyFcitx(const Request &request, int retriesLeft)
{
    // Fcitx switches its most recent input context: for an off field, when
    // the window has one at all; for a hiragana field, once the window's
    // has the focus.
    const bool on = request.mode == InputMode::Hiragana;
    call(request, QDBusConnection::sessionBus(), fcitxCall(QStringLiteral("DebugInfo")), kAnswerMs, [=, this](const QDBusMessage &reply) {
        const QString contexts = reply.arguments().value(0).toString();
        if (!ownContext(contexts, on)) {
            if (!on || retriesLeft == 0)
                return;
            // The window's input context exists but was made after the focus
            // came, and Fcitx was not told of the focus: the window tells
            // Qt's Fcitx module its focused field again, which gives the
            // context the focus.
            if (ownContext(contexts, false))
                if (QWindow *window = request.widget->window()->windowHandle())
                    emit window->focusObjectChanged(window->focusObject());
            QTimer::singleShot(kRetryMs, this, [=, this] { apply(request, retriesLeft - 1); });
            return;
        }
        call(request, QDBusConnection::sessionBus(), fcitxCall(on ? QStringLiteral("Activate") : QStringLiteral("Deactivate")),
             kSwitchMs, [this, request](const QDBusMessage &) { emit switched(request.field, request.mode); });
    });
}

void InputMethodSwitch::applyIBus(const Request &request)
{
    // Mozc's mode belongs to the focused input context, which Qt's module
    // keeps focused also in a field that refuses the input method.
    const QDBusConnection ibus(kIBusConnection);
    const auto ibusCall = [](const QString &path, const QString &interface, const QString &method) {
        return QDBusMessage::createMethodCall(kIBusService, path, interface, method);
    };
    call(request, ibus, ibusCall(kIBusPath, kIBusInterface, QStringLiteral("CurrentInputContext")), kAnswerMs,
         [=, this](const QDBusMessage &reply) {
             QDBusMessage mode = ibusCall(reply.arguments().value(0).value<QDBusObjectPath>().path(), kIBusContextInterface,
                                          QStringLiteral("PropertyActivate"));
             mode << (request.mode == InputMode::Hiragana ? kMozcHiragana : kMozcDirect) << kPropertyChecked;
             const auto setMode = [=, this] {
                 call(request, ibus, mode, kSwitchMs, [this, request](const QDBusMessage &) { emit switched(request.field, request.mode); });
             };
             if (request.mode == InputMode::Off)
                 return setMode();
             QDBusMessage engine = ibusCall(kIBusPath, kIBusInterface, QStringLiteral("SetGlobalEngine"));
             engine << kMozcEngine;
             call(request, ibus, engine, kSwitchMs, [setMode](const QDBusMessage &) { setMode(); });
         });
}

void InputMethodSwitch::connectSessionBus()
{
    if (m_sessionBus != Bus::Unknown)
        return;
    m_sessionBus = Bus::Connecting;
    // QDBusConnection::sessionBus() waits for the bus's answer; on this
    // thread it could hold the window for as long as the bus is stuck. One
    // thread per program connects, and is kept to the end: one stuck on a
    // bus that never answers must not be destroyed while it runs.
    static QThread *connecting = nullptr;
    if (!connecting) {
        connecting = QThread::create([] { QDBusConnection::sessionBus(); });
        connecting->start();
    }
    connect(connecting, &QThread::finished, this, &InputMethodSwitch::sessionBusReady);
    if (connecting->isFinished())
        sessionBusReady();
}

void InputMethodSwitch::sessionBusReady()
{
    if (m_sessionBus != Bus::Connecting)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_sessionBus = Bus::Missing;
        return;
    }
    m_sessionBus = Bus::Ready;
    // Fcitx may start or end while the program runs.
    m_fcitxWatcher = new QDBusServiceWatcher(kFcitxService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_fcitxWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { m_fcitx = Fcitx::Running; });
    connect(m_fcitxWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { m_fcitx = Fcitx::Absent; });
    if (const std::optional<Request> waiting = std::exchange(m_waiting, std::nullopt))
        apply(*waiting, kRetries);
}

void InputMethodSwitch::call(const Request &request, const QDBusConnection &connection, const QDBusMessage &message,
                             int timeoutMs, std::function<void(const QDBusMessage &)> then)
{
    auto *watcher = new QDBusPendingCallWatcher(connection.asyncCall(message, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [request, watcher, then = std::move(then)] {
        watcher->deleteLater();
        // An answer that comes after the focus has moved on is not acted on.
        if (!watcher->isError() && request.widget && request.widget == QApplication::focusWidget())
            then(watcher->reply());
    });
}
