// The typing limit of a text box: every way the operator puts text in,
// counted in characters, never cutting a character in half.
#include "sliplineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QtTest>

namespace {

enum class How { Type, CtrlV, MenuPaste, Drop, Commit };

void put(SlipLineEdit &edit, How how, const QString &text)
{
    switch (how) {
    case How::Type: // one key per character, as a keyboard delivers them
        for (const uint c : text.toUcs4()) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1));
            QApplication::sendEvent(&edit, &key);
        }
        break;
    case How::CtrlV:
        QApplication::clipboard()->setText(text);
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        break;
    case How::MenuPaste: { // 「貼り付け」 in the box's own context menu
        QApplication::clipboard()->setText(text);
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2), edit.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&edit, &menuEvent);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *action : menu->actions())
            if (action->text().startsWith(QLatin1String("&Paste")))
                action->trigger();
        menu->close();
        break;
    }
    case How::Drop: { // dropped from another program at the caret's side of the box
        QMimeData data;
        data.setText(text);
        const QPoint at(edit.cursorPosition() == 0 ? 0 : edit.width() - 2, edit.height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
        break;
    }
    case How::Commit: {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(&edit, &event);
        break;
    }
    }
}

} // namespace

Q_DECLARE_METATYPE(How)

class TestTypingLimits : public QObject {
    Q_OBJECT

private slots:
    void limitBindsEveryWayIn_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selected");
        QTest::addColumn<How>("how");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");
        // The box's limit is 7 characters, the recipient postal code's.
        const QString emoji = QStringLiteral("😀");
        QTest::newRow("full, type in the middle") << "1234567" << 3 << 0 << How::Type << "9" << "1234567";
        QTest::newRow("room for one, type two in the middle") << "123456" << 3 << 0 << How::Type << "89" << "1238456";
        QTest::newRow("full, replace a selection") << "1234567" << 2 << 2 << How::Type << "9" << "129567";
        QTest::newRow("emoji counts as one character") << "" << 0 << 0 << How::Type << emoji.repeated(8) << emoji.repeated(7);
        QTest::newRow("paste 123456😀") << "" << 0 << 0 << How::CtrlV << "123456" + emoji << "123456" + emoji;
        QTest::newRow("paste past the limit in the middle") << "12" << 1 << 0 << How::CtrlV << "abcdefg" << "1abcde2";
        QTest::newRow("paste never halves an emoji") << "12345" << 5 << 0 << How::CtrlV << "a" + emoji + emoji << "12345a" + emoji;
        QTest::newRow("context-menu paste") << "12345" << 5 << 0 << How::MenuPaste << "abcdefg" << "12345ab";
        QTest::newRow("drop onto a full box") << "1234567" << 7 << 0 << How::Drop << "89" << "1234567";
        QTest::newRow("drop at the start") << "12345" << 0 << 0 << How::Drop << "abc" << "ab12345";
        QTest::newRow("input method commit") << "12345" << 5 << 0 << How::Commit << emoji + "ab" << "12345" + emoji + "a";
        QTest::newRow("program text longer than the limit") << emoji.repeated(9) << 18 << 0 << How::Type << "1" << emoji.repeated(9);
    }
    void limitBindsEveryWayIn()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(int, selected);
        QFETCH(How, how);
        QFETCH(QString, input);
        QFETCH(QString, after);
        SlipLineEdit edit;
        edit.setTypingLimit(7);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setFocus();
        edit.setText(before);
        edit.setSelection(caret, selected);
        if (!selected)
            edit.setCursorPosition(caret);
        put(edit, how, input);
        QCOMPARE(edit.text(), after);
    }
};

QTEST_MAIN(TestTypingLimits)
#include "test_typing_limits.moc"
