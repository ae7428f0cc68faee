// The whole road of a slip to a real print spooler (a private cupsd with two
// capture queues): fields filled in the window, 「印刷」 clicked, and the
// page a printer would get. A slip that fails half-way before it must not
// reach the queue at all. 「プリンタの設定」: キャンセル and the close box
// change nothing, OK moves the next job and survives a restart. And a failed PDF write
// does not stop later prints. Skips when no spooler can be started, unless
// NERUFA_REQUIRE_SPOOLER is set.
#include "apptest.h"
#include "pdfprobe.h"
#include "pagedestination.h"
#include "spooler.h"
#include "testsupport.h"

#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QPrinter>
#include <QtTest>
#include <sys/resource.h>

namespace pdf = nerufa::testpdf;

class TestSpooler : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");

    // Opens the dialog, picks `queue` in its list and lets `close` end it.
    void pick(apptest::LoadedWindow &w, const QString &queue, const std::function<void(QDialog *)> &close)
    {
        QString focused = "no dialog";
        apptest::onNextModalDialog([=, &focused](QWidget *dialog) {
            auto *list = dialog->findChild<QListWidget *>("PrinterList");
            focused = dialog->focusWidget() == list ? "PrinterList" : "elsewhere";
            // Printer, paper and orientation only: no copies or page numbers to set.
            if (!dialog->findChildren<QAbstractSpinBox *>().isEmpty())
                focused += " with a number box";
            list->setCurrentItem(list->findItems(queue, Qt::MatchExactly).value(0));
            close(qobject_cast<QDialog *>(dialog));
        });
        w.click("PriDiaBtn");
        QCOMPARE(focused, "PrinterList");
    }

private slots:
    void initTestCase()
    {
        // Before the first window: its printer touches CUPS, and libcups
        // reads CUPS_SERVER only once.
        if (!pdf::toolsAvailable())
            m_whyNot = "poppler-utils are not installed";
        else if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second, &m_whyNot))
            m_whyNot = "the second queue was not added";
        apptest::setupTestApplication();
    }

    void printButtonSendsTheSlip()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL("no private print spooler: " + m_whyNot);
        apptest::LoadedWindow w;
        QCOMPARE(w.window->printerSession().current().target, m_spooler.queueName());
        const auto queue = nerufa::makePrinter(w.window->printerSession().current());
        QCOMPARE(queue->resolution(), 1200);
        for (auto [name, text] : {std::pair{"Sayuu_Xtxt", "31"}, {"Jyouge_Ytxt", "72"}, {"T_1_Yuubin", "9876542"},
                                  {"T_4_Namae", "山田太郎"}, {"T_5_Samakata", "鈴木"}, {"GoukeiBox", "1750"}})
            w.edit(name)->setText(QString::fromUtf8(text));
        w.click("C_1_Samakata");
        w.click("SuujiNyuuryokuBtn");
        w.click("InsatsuBtn");

        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));
        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QCOMPARE(text.pages, 1);
        // The job paints from the printable area's corner.
        queue->setPageMargins(queue->pageLayout().minimumMargins(), queue->pageLayout().units());
        const QPointF origin = queue->pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        const QString wrong = pdf::checkSlipTexts(text, {{"9", 840, 156}, {"6", 1121, 156}, {"2", 1391, 156}, {"山田太郎", 750, 490},
                                                         {"鈴木", 900, 435}, {"1750", 1995, 920}}, 1, 2, origin);
        QVERIFY2(wrong.isEmpty() && error.isEmpty(), qPrintable(wrong + error));
    }

    // Runs after the print above: the default queue holds one job already.
    void cancelKeepsOkMovesAndRestartKeeps()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL("no private print spooler: " + m_whyNot);
        apptest::LoadedWindow w;
        w.window->show();
        auto *shown = w.get<QLabel>("PurintaLb");
        QTRY_VERIFY(shown->text().startsWith("プリンタ：" + m_spooler.queueName() + "（") && shown->text().endsWith("縦）"));

        pick(w, m_second, [](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QVERIFY(shown->text().startsWith("プリンタ：" + m_spooler.queueName() + "（"));
        pick(w, m_second, [](QDialog *dialog) { dialog->close(); });
        w.click("InsatsuBtn");
        QCOMPARE(m_spooler.waitForJobs(2).size(), 2);

        pick(w, m_second, [](QDialog *dialog) { QTest::keyClick(dialog->focusWidget(), Qt::Key_Return); });
        QVERIFY(shown->text().startsWith("プリンタ：" + m_second + "（"));
        w.click("InsatsuBtn");
        QCOMPARE(m_spooler.waitForJobs(1, 15000, m_second).size(), 1);
        QCOMPARE(m_spooler.waitForJobs(3, 500).size(), 2);

        apptest::LoadedWindow restarted;
        QCOMPARE(restarted.window->printerSession().current().target, m_second);
    }

    void printAfterAFailedPdfWriteWorks()
    {
        apptest::LoadedWindow w;
        const QString file = w.dir.filePath("slip.pdf");
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, file, {}, {}});
        w.edit("T_4_Namae")->setText("山田太郎");
        // A file-size limit fails the write as a full disk does; the program
        // itself keeps SIGXFSZ from ending it.
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit limit{1024, unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.click("InsatsuBtn");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY2(seen->text.startsWith("印刷できませんでした。") && seen->text.contains(file), qPrintable(seen->text));
        QVERIFY(!QFileInfo::exists(file));

        w.click("InsatsuBtn");
        QString error;
        QCOMPARE(pdf::readText(file, &error).pages, 1);
    }
};

QTEST_MAIN(TestSpooler)
#include "test_spooler.moc"
