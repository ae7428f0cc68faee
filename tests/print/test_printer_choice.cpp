// Where a slip goes and whether it got there: the choice kept as the user's
// CUPS default (a private spooler with two capture queues), a queue that
// refuses jobs, and PDF targets that cannot be written. Each print makes a
// new printer from the choice, as the window does.
#include "cupsqueues.h"
#include "fonts.h"
#include "pdfprobe.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "runtimeerror.h"
#include "spooler.h"

#include <QPrinter>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using nerufa::PrinterChoice;
namespace cq = nerufa::cupsqueues;

namespace {

// The error message of the slip print, or an empty text when it printed.
QString printSlip(const PrinterChoice &choice)
{
    nerufa::SlipSnapshot slip;
    slip.offsetXText = QStringLiteral("30");
    slip.offsetYText = QStringLiteral("70");
    slip.recipientName = QStringLiteral("山田太郎");
    nerufa::JobState state;
    try {
        const auto printer = nerufa::makePrinter(choice);
        nerufa::QtPrinter qtPrinter(*printer);
        nerufa::printSlip(slip, state, qtPrinter);
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

int pages(const QString &pdf)
{
    QString error;
    return nerufa::testpdf::readText(pdf, &error).pages;
}

} // namespace

class TestPrinterChoice : public QObject {
    Q_OBJECT

    nerufa::testspooler::Spooler m_spooler;
    QString m_whyNot;
    const QString m_second = QStringLiteral("nerufa-second");

    bool spooler() const { return m_whyNot.isEmpty(); }

private slots:
    void initTestCase()
    {
        if (m_spooler.start(&m_whyNot) && !m_spooler.addQueue(m_second))
            m_whyNot = QStringLiteral("the second queue was not added");
        nerufa::fonts::registerSubstitutions();
    }

    void choiceIsKeptAsTheUsersDefault()
    {
        if (!spooler())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        QCOMPARE(cq::userDefault().choice.target, m_spooler.queueName());
        const PrinterChoice chosen{PrinterChoice::Kind::Queue, m_second, QPageSize(QPageSize::A5),
                                   QPageLayout::Landscape};
        QString reason;
        QVERIFY2(cq::setUserDefault(chosen, &reason), qPrintable(reason));
        QVERIFY(cq::userDefault().choice == chosen);
        // What the next start reads, as another program sees it.
        QString out;
        QVERIFY(m_spooler.runTool("lpstat", {"-d"}, &out));
        QVERIFY2(out.contains(m_second), qPrintable(out));
    }

    void refusedJobSaysSoAndTheNextOneArrivesWhole()
    {
        if (!spooler())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        const PrinterChoice queue{PrinterChoice::Kind::Queue, m_spooler.queueName(), {}, {}};
        QVERIFY(m_spooler.runTool("cupsreject", {queue.target}));
        const QString message = printSlip(queue);
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(queue.target)
                     && message.contains(QStringLiteral("受け付けていません")),
                 qPrintable(message));
        QVERIFY(m_spooler.runTool("cupsaccept", {queue.target}));
        QCOMPARE(printSlip(queue), QString());
        const QStringList jobs = m_spooler.waitForJobs(1);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(pages(jobs.first()), 1);
        QCOMPARE(contents(QString(jobs.first()).replace(".pdf", ".copies")), QByteArray("1\n"));
    }

    void goneDefaultFallsBackToTheSystemDefault()
    {
        if (!spooler())
            NERUFA_SKIP_OR_FAIL(m_whyNot);
        QString reason;
        QVERIFY(cq::setUserDefault({PrinterChoice::Kind::Queue, m_second, {}, {}}, &reason));
        QVERIFY(m_spooler.runTool("lpadmin", {"-x", m_second}));
        const cq::DefaultQueue found = cq::userDefault();
        QCOMPARE(found.choice.target, m_spooler.queueName());
        QVERIFY(found.namedDefaultGone);
        QVERIFY(printSlip({PrinterChoice::Kind::Queue, m_second, {}, {}}).contains(m_second));
    }

    void unwritablePdfTargetKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("file size limit (as a full disk)") << "fsize";
        QTest::newRow("full tmpfs") << "tmpfs";
    }

    void unwritablePdfTargetKeepsTheEarlierFile()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        QString folder = dir.path();
        if (fault == "missing")
            folder = dir.filePath("gone");
        if (fault == "tmpfs" && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", folder}) != 0)
            QSKIP("cannot mount a tmpfs here");
        const auto unmount = qScopeGuard([&] {
            if (fault == "tmpfs")
                QProcess::execute("umount", {folder});
        });
        const PrinterChoice choice{PrinterChoice::Kind::PdfFile, folder + "/slip.pdf", {}, {}};
        const QString filler = folder + "/filler";
        if (fault != "missing")
            QCOMPARE(printSlip(choice), QString());
        const QByteArray earlier = contents(choice.target);

        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t unlimited = limit.rlim_cur;
        if (fault == "fsize") {
            std::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = 1024;
            setrlimit(RLIMIT_FSIZE, &limit);
        } else if (fault == "tmpfs") {
            QFile fill(filler);
            QVERIFY(fill.open(QIODevice::WriteOnly));
            while (fill.write(QByteArray(4096, 'x')) > 0 && fill.flush()) {
            }
        }
        const QString message = printSlip(choice);
        limit.rlim_cur = unlimited;
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(choice.target),
                 qPrintable(message));
        QCOMPARE(contents(choice.target), earlier);
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() == (fault == "missing" ? 0 : fault == "tmpfs" ? 2 : 1), qPrintable(left.join(' ')));

        // Once the fault is gone, the next print works.
        QFile::remove(filler);
        QDir().mkpath(folder);
        QCOMPARE(printSlip(choice), QString());
        QCOMPARE(pages(choice.target), 1);
    }
};

QTEST_MAIN(TestPrinterChoice)
#include "test_printer_choice.moc"
