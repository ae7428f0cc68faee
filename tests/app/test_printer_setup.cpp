// 「プリンタの設定」 in the real window, with a private spooler of two
// capture queues: キャンセル and the close box change nothing, OK moves the
// next job and survives a restart, the dialog offers nothing but printer,
// paper and orientation, and a failed PDF write does not stop later prints.
#include "apptest.h"
#include "pdfprobe.h"
#include "spooler.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

class TestPrinterSetup : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");

    // Opens the dialog, picks `queue` in its list and lets `close` end it.
    void pick(apptest::LoadedWindow &w, const QString &queue, const std::function<void(QDialog *)> &close)
    {
        QString focused = QStringLiteral("no dialog");
        apptest::onNextModalDialog([=, &focused](QWidget *dialog) {
            auto *list = dialog->findChild<QListWidget *>(QStringLiteral("PrinterList"));
            focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
            list->setCurrentItem(list->findItems(queue, Qt::MatchExactly).value(0));
            close(qobject_cast<QDialog *>(dialog));
        });
        w.get<QPushButton>("PriDiaBtn")->click();
        QCOMPARE(focused, QStringLiteral("PrinterList"));
    }

private slots:
    void initTestCase()
    {
        if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second, &m_whyNot))
            m_whyNot = QStringLiteral("the second queue was not added");
        apptest::setupTestApplication();
    }

    void cancelKeepsOkMovesAndRestartKeeps()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        apptest::LoadedWindow w;
        w.window->show();
        auto *shown = w.get<QLabel>("PurintaLb");
        QTRY_VERIFY(shown->text().startsWith(QStringLiteral("プリンタ：%1（").arg(m_spooler.queueName())));
        QVERIFY(shown->text().endsWith(QStringLiteral("縦）")));

        // Printer, PDF file, paper and orientation, and nothing else.
        QStringList controls;
        pick(w, m_second, [&](QDialog *dialog) {
            controls << dialog->windowTitle();
            for (const QWidget *c : dialog->findChildren<QWidget *>()) {
                if (c->focusPolicy() & Qt::TabFocus) {
                    const auto *button = qobject_cast<const QAbstractButton *>(c);
                    controls << c->objectName() + (button ? button->text() : QString());
                }
            }
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(controls.join(' '), QStringLiteral("プリンタの設定 PrinterList PdfPath PdfBrowse参照… PaperBox "
                                                    "Portrait縦 Landscape横 OK キャンセル"));
        pick(w, m_second, [](QDialog *dialog) { dialog->close(); });
        w.get<QPushButton>("InsatsuBtn")->click();
        QCOMPARE(m_spooler.waitForJobs(1).size(), 1);

        pick(w, m_second, [](QDialog *dialog) { QTest::keyClick(dialog->focusWidget(), Qt::Key_Return); });
        QVERIFY(shown->text().startsWith(QStringLiteral("プリンタ：%1（").arg(m_second)));
        w.get<QPushButton>("InsatsuBtn")->click();
        QCOMPARE(m_spooler.waitForJobs(1, 15000, m_second).size(), 1);
        QCOMPARE(m_spooler.waitForJobs(2, 500).size(), 1);

        apptest::LoadedWindow restarted;
        QCOMPARE(restarted.window->printerChoice().target, m_second);
    }

    void printAfterAFailedPdfWriteWorks()
    {
        apptest::LoadedWindow w;
        const QString pdf = w.dir.filePath("slip.pdf");
        w.window->setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, pdf, {}, {}});
        w.edit("T_4_Namae")->setText(QStringLiteral("山田太郎"));
        // A file-size limit fails the write as a full disk does.
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit unlimited = limit;
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        auto seen = apptest::answerNextMessageBox(QMessageBox::Ok);
        w.get<QPushButton>("InsatsuBtn")->click();
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY2(seen->text.startsWith(QStringLiteral("印刷できませんでした。")) && seen->text.contains(pdf),
                 qPrintable(seen->text));
        QVERIFY(!QFileInfo::exists(pdf));

        w.get<QPushButton>("InsatsuBtn")->click();
        QString error;
        QCOMPARE(nerufa::testpdf::readText(pdf, &error).pages, 1);
    }
};

QTEST_MAIN(TestPrinterSetup)
#include "test_printer_setup.moc"
