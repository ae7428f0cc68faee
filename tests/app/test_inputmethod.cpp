// The input method follows the focused field's mode, in the real window with
// a real input method: im_session.sh starts Xvfb, a private D-Bus session and
// Fcitx 5 or IBus with Mozc, or neither (NERUFA_IM). Keys are typed on the X
// server's keyboard (xdotool), as the operator types them.
#include "apptest.h"
#include "formfields.h"
#include "inputmethod.h"

#include <QtDBus>
#include <QtTest>
#include <csignal>

namespace {

const QByteArray kMethod = qgetenv("NERUFA_IM");

// What Fcitx says of itself over its own D-Bus interface: its state (1 off,
// 2 on) and input method. (IBus tells only its panel Mozc's mode.)
QString fcitxState()
{
    const auto ask = [](const char *method) {
        return QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1", method)).arguments().value(0);
    };
    return QString::number(ask("State").toInt()) + " " + ask("CurrentInputMethod").toString();
}

} // namespace

class TestInputMethod : public QObject {
    Q_OBJECT
    std::unique_ptr<apptest::LoadedWindow> w;

    // Moves the focus; true when the input method took the field's mode
    // within a second, while the event loop runs.
    bool focus(const QString &name)
    {
        QSignalSpy switched(w->window->findChild<InputMethodSwitch *>(), &InputMethodSwitch::switched);
        w->get(name)->setFocus(Qt::TabFocusReason);
        return switched.wait(1000);
    }

private slots:
    void initTestCase()
    {
        apptest::setupTestApplication();
        w = std::make_unique<apptest::LoadedWindow>();
        w->window->show();
        w->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->window.get()));
    }

    // In order: each row starts where the one before left the focus.
    void followsTheFieldsMode_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("on"); // hiragana where an input method runs
        QTest::newRow("recipient's address line 1") << "T_2_Jyuusyo" << true;
        QTest::newRow("recipient's postal code") << "T_1_Yuubin" << false;
        QTest::newRow("goods name, no mode of its own: stays off") << "c_Hinmei" << false;
        QTest::newRow("sender's name (a combo box)") << "iraiNamae" << true;
        QTest::newRow("sender's telephone") << "iraiDenwa" << false;
    }
    void followsTheFieldsMode()
    {
        QFETCH(QString, field);
        QFETCH(bool, on);
        formfields::setTextOf(w->get(field), {});
        QCOMPARE(focus(field), nerufa::slip::fieldNamed(field)->input != nerufa::slip::InputMode::Unset && kMethod != "none");
        QProcess::execute("xdotool", {"type", "--delay", "30", "ka"});
        QProcess::execute("xdotool", {"key", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(formfields::textOf(w->get(field)), on && kMethod != "none" ? "か" : "ka", 3000);
        if (kMethod == "fcitx5")
            QCOMPARE(fcitxState(), on ? "2 mozc" : "1 keyboard-us");
    }

    // An input method that has stopped answering: the focus moves at once,
    // the switch is given up, and the next one works again.
    void stoppedInputMethodNeverHoldsTheWindow()
    {
        if (kMethod == "none")
            QSKIP("no input method runs");
        focus("T_1_Yuubin");
        QCOMPARE(kill(qEnvironmentVariableIntValue("NERUFA_IM_PID"), SIGSTOP), 0);
        const auto start = std::chrono::steady_clock::now();
        const bool took = focus("T_2_Jyuusyo");
        QCOMPARE(kill(qEnvironmentVariableIntValue("NERUFA_IM_PID"), SIGCONT), 0);
        QVERIFY(!took && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1300)); // the wait was not held up
        QTest::qWait(300); // a late answer would have been acted on by now
        if (kMethod == "fcitx5") // given up: Fcitx did not switch on afterwards
            QCOMPARE(fcitxState(), "1 keyboard-us");
        QVERIFY(focus("T_1_Yuubin") && focus("T_2_Jyuusyo"));
    }
};

QTEST_MAIN(TestInputMethod)
#include "test_inputmethod.moc"
