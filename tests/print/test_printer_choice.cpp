// Where a slip goes and whether it got there: the choice kept as the user's
// CUPS default (a private spooler with two capture queues), a queue that
// refuses jobs, and PDF targets that cannot be written. Each print opens a
// destination of its own, as the window does.
#include "cupsqueues.h"
#include "fonts.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "pagedestination.h"
#include "pageprinter.h"
#include "runtimeerror.h"
#include "spooler.h"
#include "testsupport.h"

#include <QtTest>

using nerufa::PrinterChoice;
namespace cq = nerufa::cupsqueues;

namespace {

// The error message of the slip print, or an empty text when it printed.
QString printSlip(const PrinterChoice &choice)
{
    nerufa::JobState state;
    try {
        const auto destination = nerufa::openDestination(choice);
        nerufa::PagePrinter printer(*destination);
        nerufa::printSlip(nerufa::testsupport::filledSlip(), state, printer);
        destination->finish();
    } catch (const nerufa::RuntimeError &error) {
        return error.message();
    }
    return {};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPrinterChoice : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");

private slots:
    void initTestCase()
    {
        if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second, &m_whyNot))
            m_whyNot = QStringLiteral("the second queue was not added");
        nerufa::fonts::registerSubstitutions();
    }

    void refusedOrHeldJobSaysSoAndTheNextOneArrivesWhole()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        const PrinterChoice queue{PrinterChoice::Kind::Queue, m_spooler.queueName(), {}, {}};
        QVERIFY(m_spooler.runTool("cupsreject", {queue.target}));
        const QString message = printSlip(queue);
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(queue.target)
                     && message.contains(QStringLiteral("受け付けていません")),
                 qPrintable(message));
        QVERIFY(m_spooler.runTool("cupsaccept", {queue.target}));
        // A stopped queue holds the job and says so; started, it prints it.
        QVERIFY(m_spooler.runTool("cupsdisable", {queue.target}));
        QVERIFY(printSlip(queue).contains(QStringLiteral("停止しています")));
        QVERIFY(m_spooler.runTool("cupsenable", {queue.target}));
        QCOMPARE(printSlip(queue), QString());
        const QStringList jobs = m_spooler.waitForJobs(2);
        QCOMPARE(jobs.size(), 2);
        QString error;
        QCOMPARE(nerufa::testpdf::readText(jobs.last(), &error).pages, 1);
        QCOMPARE(contents(QString(jobs.last()).replace(".pdf", ".copies")), QByteArray("1\n"));
    }

    void choiceIsKeptAsTheUsersDefaultUntilItsQueueGoes()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        QCOMPARE(cq::userDefault().choice.target, m_spooler.queueName());
        const PrinterChoice chosen{PrinterChoice::Kind::Queue, m_second, QPageSize(QPageSize::A5),
                                   QPageLayout::Landscape};
        QString reason;
        QVERIFY2(cq::setUserDefault(chosen, &reason), qPrintable(reason));
        QVERIFY(cq::userDefault().choice == chosen);

        QVERIFY(m_spooler.runTool("lpadmin", {"-x", m_second}));
        const cq::DefaultQueue found = cq::userDefault();
        QCOMPARE(found.choice.target, m_spooler.queueName());
        QVERIFY(found.namedDefaultGone);
        QVERIFY(printSlip(chosen).contains(m_second));
    }

    // A full disk: the PDF file printed before stays whole and nothing
    // else is left behind. (A missing folder is in test_pageprinter.)
    void unwritablePdfTargetKeepsTheEarlierFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("slips");
        const PrinterChoice choice{PrinterChoice::Kind::PdfFile, folder + "/slip.pdf", {}, {}};
        if (!QDir().mkpath(folder) || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", folder}) != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {folder}); });
        QCOMPARE(printSlip(choice), QString());
        const QByteArray earlier = contents(choice.target);
        QFile fill(folder + "/filler");
        QVERIFY(fill.open(QIODevice::WriteOnly));
        while (fill.write(QByteArray(4096, 'x')) > 0 && fill.flush()) {
        }
        const QString message = printSlip(choice);
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(choice.target),
                 qPrintable(message));
        QCOMPARE(contents(choice.target), earlier);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2); // the earlier file and the filler
    }
};

QTEST_MAIN(TestPrinterChoice)
#include "test_printer_choice.moc"
