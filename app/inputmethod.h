#pragma once

#include "fields.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QDBusConnection;
class QDBusMessage;
class QDBusServiceWatcher;
class QWidget;

// Puts the desktop's input method into the mode the field table gives a
// field (slip/fields.cpp) whenever that field gets the focus: on, in
// hiragana, for InputMode::Hiragana; off for InputMode::Off, where the field
// also refuses it (SlipLineEdit). It asks the input method itself over
// D-Bus:
// - Fcitx 5, through its controller on the session bus: Activate or
//   Deactivate. Fcitx's Mozc starts every window in hiragana.
// - IBus, through the connection Qt's IBus module keeps to it: the engine
//   switch to Mozc, then Mozc's hiragana (or direct) mode.
// Where neither runs nothing happens. Every call is asynchronous and given
// up when the input method does not answer the first of them within 100 ms,
// so the window never waits.
class InputMethodSwitch : public QObject {
    Q_OBJECT

public:
    explicit InputMethodSwitch(QWidget *window);

    enum class Method { None, Fcitx5, IBus };
    // The input method it talks to now.
    Method method() const;

signals:
    // The input method has taken the mode for the field of that name.
    void switched(const QString &field, nerufa::slip::InputMode mode);

private:
    // One focus change into a field with a mode of its own.
    struct Request {
        QPointer<QWidget> widget;
        QString field;
        nerufa::slip::InputMode mode;
        // The focus came from a widget of this window that takes input-method
        // text: the window's input context is then the input method's most
        // recent one, so a switch cannot reach another program's.
        bool fromOwnInput;
    };

    void focusMoved(QWidget *old, QWidget *now);
    void apply(const Request &request, int retriesLeft);
    void applyFcitx(const Request &request, int retriesLeft);
    void applyIBus(const Request &request);
    // Connects to the session bus on a thread of its own (a bus that does
    // not answer must not hold the window), then applies what was asked
    // meanwhile.
    void connectSessionBus();
    void sessionBusReady();
    // Asks the bus whether Fcitx 5 runs, then applies the request.
    void lookForFcitx(const Request &request);
    // Sends `message` on `connection` and calls `then` with the reply while
    // the request's field still has the focus; no answer within `timeoutMs`,
    // or an error, ends the request silently.
    void call(const Request &request, const QDBusConnection &connection, const QDBusMessage &message, int timeoutMs,
              std::function<void(const QDBusMessage &)> then);

    QWidget *m_window;
    enum class Bus { Unknown, Connecting, Ready, Missing } m_sessionBus = Bus::Unknown;
    enum class Fcitx { Unknown, Running, Absent } m_fcitx = Fcitx::Unknown;
    QDBusServiceWatcher *m_fcitxWatcher = nullptr;
    std::optional<Request> m_waiting; // asked while the session bus was connecting
};
