// Where a slip goes and whether it got there, on a private spooler with two
// capture queues: the choice kept as the user's CUPS default (and the real
// reason when it cannot be kept), a queue that refuses jobs or is stopped,
// a printer that runs out of paper in the middle of a batch, a spooler that
// stops answering, and a batch into a PDF file on a full disk.
#include "batchrun.h"
#include "cupsqueues.h"
#include "fonts.h"
#include "orders.h"
#include "pagedestination.h"
#include "pageprinter.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "runtimeerror.h"
#include "spooler.h"
#include "spoolerwait.h"
#include "testsupport.h"

#include <QtTest>

using nerufa::PrinterChoice;
namespace cq = nerufa::cupsqueues;
namespace pdf = nerufa::testpdf;

namespace {

// Gives up on the print system after `limitMs`, as an operator pressing 中止 would.
struct ImpatientWaiting final : nerufa::Waiting {
    int limitMs;
    explicit ImpatientWaiting(int ms) : limitMs(ms) {}
    bool keepWaiting(int waited) override { return waited < limitMs; }
};

// The slip print onto `choice`: its error message, or an empty text; *held
// tells whether a queue took it but holds it.
QString printSlip(const PrinterChoice &choice, bool *held = nullptr, nerufa::Waiting &&waiting = nerufa::PlainWaiting())
{
    nerufa::JobState state;
    try {
        const auto destination = nerufa::openDestination(choice, waiting);
        nerufa::PagePrinter printer(*destination);
        nerufa::printSlip(nerufa::testsupport::filledSlip(), state, printer);
        destination->finish();
        if (held)
            *held = destination->deliveries().value(0).held;
    } catch (const nerufa::RuntimeError &error) {
        return error.message();
    }
    return {};
}


// The recipients' names on the stored jobs, in the order they printed.
QStringList namesPrinted(const QStringList &jobs)
{
    QStringList names;
    QString error;
    for (const QString &job : jobs)
        for (const pdf::Word &word : pdf::readText(job, &error).words)
            if (word.text.startsWith(QStringLiteral("客")))
                names << word.text;
    return names;
}

} // namespace

class TestPrinterChoice : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");
    PrinterChoice queue() const { return {PrinterChoice::Kind::Queue, m_spooler.queueName(), {}, {}}; }

private slots:
    void initTestCase()
    {
        if (!pdf::toolsAvailable())
            m_whyNot = QStringLiteral("poppler-utils are not installed");
        else if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second, &m_whyNot))
            m_whyNot = QStringLiteral("the second queue was not added");
        nerufa::fonts::registerSubstitutions();
    }

    void init()
    {
        if (!m_whyNot.isEmpty())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
    }

    void refusedOrHeldJobSaysSoAndTheNextOneArrivesWhole()
    {
        QVERIFY(m_spooler.runTool("cupsreject", {queue().target}));
        const QString message = printSlip(queue());
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(queue().target)
                     && message.contains(QStringLiteral("受け付けていません")) && message.contains(QStringLiteral("印刷していません")),
                 qPrintable(message));
        QVERIFY(m_spooler.runTool("cupsaccept", {queue().target}));
        // A stopped queue takes the job and holds it: no error, but held.
        QVERIFY(m_spooler.runTool("cupsdisable", {queue().target}));
        bool held = false;
        QCOMPARE(printSlip(queue(), &held), QString());
        QVERIFY(held);
        QVERIFY(m_spooler.runTool("cupsenable", {queue().target}));
        QCOMPARE(printSlip(queue(), &held), QString());
        QVERIFY(!held);
        const QStringList jobs = m_spooler.waitForJobs(2);
        QCOMPARE(jobs.size(), 2);
        QString error;
        QCOMPARE(pdf::readText(jobs.last(), &error).pages, 1);
        QCOMPARE(nerufa::testsupport::readFile(QString(jobs.last()).replace(".pdf", ".copies")), QByteArray("1\n"));
    }

    // The printer runs out of paper at the 4th slip of a batch of six (each
    // slip waits until the spooler has dealt with the one before, as a slow
    // printer would have it). Slips 4 and 5 are with the spooler and print
    // once the printer is resumed; the batch says so and goes on from 6.
    // Nothing is printed twice.
    void printerStoppingMidBatchNeverPrintsASlipTwice()
    {
        const int before = int(m_spooler.waitForJobs(0, 0).size());
        QByteArray csv = "お届け先名前\n";
        for (int i = 1; i <= 6; ++i)
            csv += "客" + QByteArray::number(i) + "\n";
        const QList<nerufa::batch::Order> orders = nerufa::batch::readOrders(csv, QDate(2004, 5, 21)).orders;
        m_spooler.failFrom(before + 4);
        nerufa::PlainWaiting waiting;
        const auto settle = [&](int done, const nerufa::batch::Order &) {
            // Slips 1-3 stored, then after slip 4 the queue stopped.
            for (QDeadlineTimer deadline(15000); !deadline.hasExpired(); QTest::qWait(20))
                if (m_spooler.waitForJobs(0, 0).size() == qsizetype(before + qMin(done, 3)) && (done < 4 || m_spooler.queueStopped()))
                    break;
            return true;
        };
        const nerufa::batch::BatchResult stopped = nerufa::batch::runBatch(orders, 0, "30", "70", queue(), waiting, settle);
        QCOMPARE(stopped.printed, 5);
        QCOMPARE(stopped.nextRow, 6);
        QCOMPARE(stopped.heldRows, (QList<int>{4, 5}));
        QCOMPARE(nerufa::batch::resultSentence(stopped),
                 QStringLiteral("5 枚印刷しました。そのうち 4・5 件目の 2 枚は、止まっているプリンタが印刷を待っています。"
                                "プリンタが再開されると印刷されるので、もう一度印刷しないでください。次は 6 件目からです。"));

        m_spooler.failFrom(0);
        QVERIFY(m_spooler.runTool("cupsenable", {queue().target}));
        QCOMPARE(m_spooler.waitForJobs(before + 5).size(), before + 5);
        const nerufa::batch::BatchResult rest = nerufa::batch::runBatch(
            orders, nerufa::batch::firstAtOrAfter(orders, stopped.nextRow), "30", "70", queue(), waiting);
        QCOMPARE(rest.error + QString::number(rest.printed), "1");
        const QStringList jobs = m_spooler.waitForJobs(before + 6).mid(before);
        QCOMPARE(namesPrinted(jobs), (QStringList{"客1", "客2", "客3", "客4", "客5", "客6"}));
    }

    // A spooler that takes connections but answers nothing: the program
    // gives up in time, says the slip did not print, and once the spooler
    // answers again no slip comes out behind the operator's back.
    void frozenSpoolerNeverPrintsLater()
    {
        const int before = int(m_spooler.waitForJobs(0, 0).size());
        m_spooler.freeze();
        const QString message = printSlip(queue(), nullptr, ImpatientWaiting(1500));
        m_spooler.thaw();
        QVERIFY2(message.contains(QStringLiteral("応答しません")) && message.contains(QStringLiteral("印刷していません")),
                 qPrintable(message));
        QCOMPARE(m_spooler.waitForJobs(before + 1, 3000).size(), before);
        QCOMPARE(printSlip(queue()), QString()); // and the next print works
        QCOMPARE(m_spooler.waitForJobs(before + 1).size(), before + 1);
    }

    void choiceIsKeptAsTheUsersDefaultUntilItsQueueGoes()
    {
        QCOMPARE(cq::userDefault().choice.target, m_spooler.queueName());
        const PrinterChoice chosen{PrinterChoice::Kind::Queue, m_second, QPageSize(QPageSize::A5), QPageLayout::Landscape};
        QString reason;
        const std::atomic_bool go(false);
        QVERIFY2(cq::setUserDefault(chosen, &reason, go), qPrintable(reason));
        QVERIFY(cq::userDefault().choice == chosen);

        // Where libcups keeps it cannot be written: the reason is said in words.
        const QString lpoptions = QDir::homePath() + "/.cups/lpoptions";
        QFile::rename(lpoptions, lpoptions + ".saved");
        QVERIFY(QDir().mkdir(lpoptions));
        QVERIFY(!cq::setUserDefault(chosen, &reason, go));
        QDir().rmdir(lpoptions);
        QFile::rename(lpoptions + ".saved", lpoptions);
        QVERIFY2(reason.contains(lpoptions) && !reason.contains("successful"), qPrintable(reason));

        QVERIFY(m_spooler.runTool("lpadmin", {"-x", m_second}));
        const cq::DefaultQueue found = cq::userDefault();
        QCOMPARE(found.choice.target, m_spooler.queueName());
        QVERIFY(found.namedDefaultGone);
        QVERIFY(printSlip(chosen).contains(m_second));
    }

    // A full disk: the PDF file printed before stays whole, nothing else is
    // left behind, and the command line says so once, with the reason, and
    // with no Qt warning.
    void fullDiskKeepsTheEarlierFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("slips");
        const PrinterChoice choice{PrinterChoice::Kind::PdfFile, folder + "/slip.pdf", {}, {}};
        if (!QDir().mkpath(folder) || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", folder}) != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {folder}); });
        QCOMPARE(printSlip(choice), QString());
        const QByteArray earlier = nerufa::testsupport::readFile(choice.target);
        QFile orders(dir.filePath("orders.csv"));
        QVERIFY(orders.open(QIODevice::WriteOnly) && orders.write("お届け先名前\n" + QByteArray("山田\n").repeated(300)) > 0);
        orders.close();
        QFile fill(folder + "/filler");
        QVERIFY(fill.open(QIODevice::WriteOnly));
        while (fill.write(QByteArray(4096, 'x')) > 0 && fill.flush()) {
        }
        QCOMPARE(printSlip(choice).count(QStringLiteral("ディスクがいっぱいです")), 1);

        const auto [status, said] = nerufa::testsupport::runProgram(NERUFA_PROGRAM, {"--csv", orders.fileName(), "--pdf", choice.target});
        QVERIFY2(status == 2 && said.count(QStringLiteral("印刷できませんでした。")) == 1
                     && said.count(QStringLiteral("ディスクがいっぱいです")) == 1 && !said.contains("QPainter"),
                 qPrintable(said));
        QCOMPARE(nerufa::testsupport::readFile(choice.target), earlier);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2); // the earlier file and the filler
        fill.close(); // room again: the next print works
        QVERIFY(QFile::remove(fill.fileName()));
        QCOMPARE(printSlip(choice), QString());
    }
};

QTEST_MAIN(TestPrinterChoice)
#include "test_printer_choice.moc"
