// The typing limit of a text box, whichever way the operator puts text in:
// counted in characters, cut only from the inserted part, never halving one.
#include "sliplineedit.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QtTest>

class TestTypingLimits : public QObject {
    Q_OBJECT

private slots:
    void limitBindsEveryWayIn_data()
    {
        QTest::addColumn<QString>("before"); // set by the program; caret at '|'
        QTest::addColumn<char>("how");       // k: keys, p: paste (as the context menu does), d: drop
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("after");
        const QString e = QStringLiteral("😀");
        QTest::newRow("full, type in the middle") << "123|4567" << 'k' << "9" << "1234567";
        QTest::newRow("emoji count as one") << "|" << 'k' << e.repeated(8) << e.repeated(7);
        QTest::newRow("paste 123456😀") << "|" << 'p' << "123456" + e << "123456" + e;
        QTest::newRow("paste never halves one") << "12345|" << 'p' << "a" + e + e << "12345a" + e;
        QTest::newRow("drop onto a full box") << "1234567|" << 'd' << "89" << "1234567";
        QTest::newRow("drop into room for two") << "12345|" << 'd' << "abc" << "12345ab";
        QTest::newRow("drop that fits") << "12345|" << 'd' << "ab" << "12345ab";
        QTest::newRow("program text past the limit") << e.repeated(9) + "|" << 'k' << "1" << e.repeated(9);
    }
    void limitBindsEveryWayIn()
    {
        QFETCH(QString, before);
        QFETCH(char, how);
        QFETCH(QString, input);
        SlipLineEdit edit;
        edit.setTypingLimit(7); // the recipient postal code's
        edit.setText(QString(before).remove(QLatin1Char('|')));
        edit.setCursorPosition(int(before.indexOf(QLatin1Char('|'))));
        if (how == 'k') {
            for (const uint c : input.toUcs4()) {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1));
                QApplication::sendEvent(&edit, &key);
            }
        } else if (how == 'p') {
            QApplication::clipboard()->setText(input);
            edit.paste();
        } else {
            QMimeData data;
            data.setText(input);
            QDragEnterEvent enter(QPoint(edit.width() - 2, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&edit, &enter);
            QDropEvent drop(QPoint(edit.width() - 2, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(&edit, &drop);
            // Moved only if all of it landed; else the source keeps its text.
            QCOMPARE(drop.dropAction(), edit.text().endsWith(input) ? Qt::MoveAction : Qt::CopyAction);
        }
        QTEST(edit.text(), "after");
    }
};

QTEST_MAIN(TestTypingLimits)
#include "test_typing_limits.moc"
