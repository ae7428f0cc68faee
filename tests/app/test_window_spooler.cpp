// The whole road of a slip: fields typed into the real window, 「印刷」
// clicked, and the page a printer would receive taken from a private print
// spooler. Skips when no spooler can be started, unless
// NERUFA_REQUIRE_SPOOLER is set.
#include "apptest.h"
#include "pdfprobe.h"
#include "spooler.h"

#include <QCheckBox>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

namespace pdf = nerufa::testpdf;

class TestWindowSpooler : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;

private slots:
    void initTestCase()
    {
        // Before the first window: its printer touches CUPS, and libcups
        // reads CUPS_SERVER only once.
        if (!pdf::toolsAvailable())
            NERUFA_SKIP_OR_FAIL(QStringLiteral("poppler-utils are not installed"));
        QString whyNot;
        if (!m_spooler.start(&whyNot))
            NERUFA_SKIP_OR_FAIL(QStringLiteral("no private print spooler: ") + whyNot);
        apptest::setupTestApplication();
    }

    void cleanupTestCase() { m_spooler.stop(); }

    void printButtonSendsTheSlip()
    {
        apptest::LoadedWindow w;
        QCOMPARE(w.window->printerChoice().target, m_spooler.queueName());
        w.window->show();
        w.edit("Sayuu_Xtxt")->setText(QStringLiteral("31"));
        w.edit("Jyouge_Ytxt")->setText(QStringLiteral("72"));
        apptest::type(w.edit("T_1_Yuubin"), QStringLiteral("9876542"));
        apptest::commitThroughInputMethod(w.edit("T_4_Namae"), QStringLiteral("山田太郎"));
        w.get<QCheckBox>("C_1_Samakata")->click();
        apptest::commitThroughInputMethod(w.edit("T_5_Samakata"), QStringLiteral("鈴木"));
        w.get<QPushButton>("SuujiNyuuryokuBtn")->click();
        apptest::type(w.edit("SuuryouBox1"), QStringLiteral("3"));
        w.edit("TankaBox1")->clear();
        apptest::type(w.edit("TankaBox1"), QStringLiteral("500"));
        w.edit("SuuryouBox2")->setText(QStringLiteral("1"));
        w.edit("TankaBox2")->setText(QStringLiteral("250"));
        w.get<QPushButton>("GoukeiBtn")->click();
        QCOMPARE(w.edit("GoukeiBox")->text(), QStringLiteral("1750"));

        w.get<QPushButton>("InsatsuBtn")->click();

        const QStringList jobs = m_spooler.waitForJobs(1);
        QVERIFY2(jobs.size() == 1, qPrintable(m_spooler.errorLog()));
        QString error;
        const pdf::TextLayout text = pdf::readText(jobs.first(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(text.pages, 1);
        // The job paints from the printable area's corner.
        const auto printer = nerufa::makePrinter(w.window->printerChoice());
        printer->setPageMargins(printer->pageLayout().minimumMargins(), printer->pageLayout().units());
        const QPointF origin = printer->pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        const QString wrong = pdf::checkSlipTexts(text,
                                                  {{"9", 840, 156},
                                                   {"8", 930, 156},
                                                   {"6", 1121, 156},
                                                   {"2", 1391, 156},
                                                   {"山田太郎", 750, 490},
                                                   {"鈴木", 900, 435},
                                                   {"1750", 1995, 920}},
                                                  1, 2, origin);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        // The window keeps what was typed.
        QCOMPARE(w.edit("T_4_Namae")->text(), QStringLiteral("山田太郎"));
    }
};

QTEST_MAIN(TestWindowSpooler)
#include "test_window_spooler.moc"
