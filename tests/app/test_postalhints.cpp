// Postal codes in the window, on Debian's real dictionary: a code fills the
// address, offers it or its places when the line holds something else,
// marks a code the data does not know; the address line offers places with
// their codes; the CSV batch's confirmation warns with row numbers. With no
// data the window is as without the feature.

#include "apptest.h"
#include "csvbatch.h"
#include "postalhints.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QStringEncoder>
#include <QtTest>

using apptest::LoadedWindow;
using nerufa::testsupport::guardRow;

namespace {

QLineEdit *editOf(const LoadedWindow &w, const QString &name)
{
    auto *edit = qobject_cast<QLineEdit *>(w.get(name));
    return edit ? edit : w.combo(name)->lineEdit();
}

// A window shown and active, so that focus moves as it does for a person.
void showWindow(const LoadedWindow &w)
{
    w.window->show();
    if (!QTest::qWaitForWindowActive(w.window.get()))
        throw std::runtime_error("the window did not become active");
}

void commit(QLineEdit *edit, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

// The completer's list, a window of its own.
QWidget *popup(const QString &name)
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->objectName() == name)
            return top;
    return nullptr;
}

QStringList hintChoices(const LoadedWindow &w, const QString &address)
{
    auto *hint = w.window->findChild<QFrame *>(address + "Hint");
    QStringList choices;
    for (int i = 0; hint && hint->isVisible() && i < hint->findChild<QComboBox *>()->count(); ++i)
        choices << hint->findChild<QComboBox *>()->itemText(i);
    return choices;
}

} // namespace

class TestPostalHints : public QObject {
    Q_OBJECT

    std::shared_ptr<const nerufa::postal::PostalTable> m_table;

private slots:
    void initTestCase()
    {
        apptest::setupTestApplication();
        m_table = nerufa::postal::loadTable(nerufa::postal::PostalSources::in("/usr/share/skk", "/nonexistent")).table;
        if (!m_table)
            QSKIP("skkdic-extra is not installed");
    }

    void codeToAddress_data()
    {
        QTest::addColumn<QString>("block");   // "T_1_Yuubin T_2_Jyuusyo" or the sender's two
        QTest::addColumn<QString>("before");  // the first address line before
        QTest::addColumn<QString>("typed");   // into the code box
        QTest::addColumn<QString>("how");     // Enter, leave (Tab), paste (and Enter)
        QTest::addColumn<QString>("code");    // the code box after
        QTest::addColumn<QString>("address"); // the first address line after
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<bool>("marked");
        const QString recipient = "T_1_Yuubin T_2_Jyuusyo", sender = "iraiYuubin iraiJyuusyo1", tokyo = "東京都千代田区千代田";
        QTest::newRow("empty line, Enter") << recipient << "" << "1000001" << "Enter" << "1000001" << tokyo << QStringList() << false;
        QTest::newRow("empty line, leave") << recipient << "" << "1000001" << "leave" << "1000001" << tokyo << QStringList() << false;
        QTest::newRow("other address") << recipient << "大阪府大阪市北区" << "1000001" << "leave" << "1000001" << "大阪府大阪市北区" << QStringList{tokyo} << false;
        QTest::newRow("same address, number") << recipient << "東京都千代田区千代田１－１" << "1000001" << "Enter" << "1000001" << "東京都千代田区千代田１－１" << QStringList() << false;
        QTest::newRow("several places") << recipient << "" << "0040000" << "Enter" << "0040000" << "" << QStringList{"北海道札幌市厚別区", "北海道札幌市清田区"} << false;
        QTest::newRow("unknown") << recipient << "" << "9999999" << "leave" << "9999999" << "" << QStringList() << true;
        QTest::newRow("five digits") << recipient << "" << "10000" << "Enter" << "10000" << "" << QStringList() << false;
        QTest::newRow("pasted with hyphen") << recipient << "" << "100-0001" << "paste" << "1000001" << tokyo << QStringList() << false;
        QTest::newRow("typed with hyphen") << recipient << "" << "100-0001" << "Enter" << "1000001" << tokyo << QStringList() << false;
        QTest::newRow("sender, hyphen") << sender << "" << "100-0001" << "Enter" << "100-0001" << tokyo << QStringList() << false;
        QTest::newRow("sender, unknown") << sender << "" << "999-9999" << "leave" << "999-9999" << "" << QStringList() << true;
    }
    void codeToAddress()
    {
        guardRow([&] {
            QFETCH(QString, block);
            QFETCH(QString, typed);
            QFETCH(QString, how);
            LoadedWindow w;
            w.window->postalHints()->useTable(m_table);
            showWindow(w);
            const QString codeName = block.section(' ', 0, 0), addressName = block.section(' ', 1);
            QLineEdit *code = editOf(w, codeName), *address = editOf(w, addressName);
            QFETCH(QString, before);
            address->setText(before);
            code->setFocus();
            if (how == "paste") {
                QGuiApplication::clipboard()->setText(typed);
                QTest::keyClick(code, Qt::Key_V, Qt::ControlModifier);
            } else {
                QTest::keyClicks(code, typed);
            }
            if (how == "leave")
                QTest::keyClick(code, Qt::Key_Tab);
            else
                QTest::keyClick(code, Qt::Key_Return);
            QTest::qWait(20); // whatever the event loop would still do
            QTEST(code->text(), "code");
            QTEST(address->text(), "address");
            QTEST(hintChoices(w, addressName), "offered");
            QFETCH(bool, marked);
            QCOMPARE(w.get(codeName)->toolTip(), marked ? PostalHints::unknownCodeTip() : QString());
            QCOMPARE(code->palette().color(QPalette::Base) != address->palette().color(QPalette::Base), marked);
            // Changing the code takes the mark and the offer away; printing was never blocked.
            QTest::keyClick(code, Qt::Key_Backspace);
            QVERIFY(w.get(codeName)->toolTip().isEmpty() && hintChoices(w, addressName).isEmpty());
        });
    }

    void takeOffer()
    {
        LoadedWindow w;
        w.window->postalHints()->useTable(m_table);
        showWindow(w);
        w.edit("T_2_Jyuusyo")->setText("大阪府");
        w.edit("T_1_Yuubin")->setFocus();
        QTest::keyClicks(w.edit("T_1_Yuubin"), "0040000");
        QTest::keyClick(w.edit("T_1_Yuubin"), Qt::Key_Return);
        auto *hint = w.window->findChild<QFrame *>("T_2_JyuusyoHint");
        hint->findChild<QComboBox *>()->setCurrentIndex(1);
        hint->findChild<QPushButton *>()->click(); // 住所を入れる
        QCOMPARE(w.edit("T_2_Jyuusyo")->text(), QString("北海道札幌市清田区"));
        QVERIFY(!hint->isVisible());
    }

    void addressToCode()
    {
        LoadedWindow w;
        w.window->postalHints()->useTable(m_table);
        showWindow(w);
        QLineEdit *address = w.combo("iraiJyuusyo1")->lineEdit();
        address->setFocus();
        commit(address, "千代田区丸の");
        auto *offers = qobject_cast<QAbstractItemView *>(popup("iraiJyuusyo1Offers"));
        QVERIFY(offers && offers->isVisible());
        QCOMPARE(offers->model()->index(0, 0).data().toString(), QString("東京都千代田区丸の内\u3000〒100-0005"));
        QTest::keyClick(offers, Qt::Key_Down);
        QTest::keyClick(offers, Qt::Key_Return);
        QCOMPARE(address->text(), QString("東京都千代田区丸の内"));
        QCOMPARE(w.combo("iraiYuubin")->currentText(), QString("1000005"));
    }

    // The window reads Debian's dictionary by itself, but only once painted.
    void loadsAfterFirstPaint()
    {
        LoadedWindow w;
        QVERIFY(!w.window->postalHints()->table());
        showWindow(w);
        QTRY_VERIFY(w.window->postalHints()->table());
    }

    // No data (nothing installed, nothing imported): as without the feature.
    void inertWithoutData()
    {
        LoadedWindow w;
        PostalHints *hints = w.window->postalHints();
        hints->loadInBackground(nerufa::postal::PostalSources::in(w.dir.filePath("skk"), w.dir.filePath("data")));
        QVERIFY(!hints->table());
        showWindow(w);
        QLineEdit *code = w.edit("T_1_Yuubin");
        code->setFocus();
        QGuiApplication::clipboard()->setText("100-0001");
        QTest::keyClick(code, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(code, Qt::Key_Return);
        QCOMPARE(code->text(), QString("100-000")); // the typing limit cuts as ever
        QTest::keyClick(code, Qt::Key_Tab);
        commit(w.edit("T_2_Jyuusyo"), "千代田区丸の");
        QCOMPARE(w.edit("T_2_Jyuusyo")->text(), QString("千代田区丸の"));
        QVERIFY(code->toolTip().isEmpty() && !w.window->findChild<QFrame *>("T_2_JyuusyoHint")
                && !popup("T_2_JyuusyoOffers")
                && !w.window->findChild<QMessageBox *>("PostalProblems"));
    }

    // A dictionary cut short: said once, naming the file and line; the
    // window goes on without look-up.
    void brokenDataSaid()
    {
        LoadedWindow w;
        const auto sources = nerufa::postal::PostalSources::in(w.dir.filePath("skk"), w.dir.filePath("data"));
        QDir().mkpath(w.dir.filePath("skk"));
        QFile dictionary(sources.areaDictionary);
        const QByteArray cut = QStringEncoder("EUC-JP")(QString(";; okuri-nasi entries.\n1000001 /東京都千"));
        QVERIFY(dictionary.open(QIODevice::WriteOnly) && dictionary.write(cut) == cut.size() && dictionary.flush());
        w.window->postalHints()->loadInBackground(sources);
        QVERIFY(!w.window->postalHints()->table());
        auto *said = w.window->findChild<QMessageBox *>("PostalProblems");
        QVERIFY(said && said->isVisible() && !said->isModal());
        QVERIFY2(said->text().startsWith("郵便番号のファイル「" + sources.areaDictionary + "」の 2 行目を読めません"), qPrintable(said->text()));
    }

    void csvConfirmationWarns()
    {
        LoadedWindow w;
        w.window->postalHints()->useTable(m_table);
        QFile csv(w.dir.filePath("orders.csv"));
        const QByteArray rows = "お届け先郵便番号,お届け先住所1,お届け先名前\n1000001,東京都千代田区千代田1,一郎\n"
                                "1000001,大阪府大阪市,二郎\n9999999,東京都,三郎\n";
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(rows) == rows.size() && csv.flush());
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, w.dir.filePath("out.pdf"), {}, {}});
        const auto seen = apptest::answerNextMessageBox(QMessageBox::Cancel);
        w.window->csvBatch()->printFile(csv.fileName());
        QVERIFY2(seen->text.contains("郵便番号と住所を確かめてください（印刷はできます）：\n"
                                     "2 件目（お届け先住所1）：「大阪府大阪市」は郵便番号 100-0001 の「東京都千代田区」で始まっていません\n"
                                     "3 件目（お届け先郵便番号）：「9999999」という郵便番号は見つかりません\n\nPDF："),
                 qPrintable(seen->text));
    }
};

QTEST_MAIN(TestPostalHints)
#include "test_postalhints.moc"
