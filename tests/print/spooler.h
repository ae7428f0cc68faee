#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// A private print spooler for tests: Debian's cupsd with a configuration of
// its own in a temporary folder, listening on a local socket only, with one
// raw queue whose backend stores every job it gets as a file. Qt sends a
// PDF, so each stored job is the PDF the printer would have received.
//
// libcups reads CUPS_SERVER once, on its first use: start() sets it for the
// whole process, so call start() before the first QPrinter or QPrinterInfo
// of the test executable (initTestCase, before any window is made).
namespace nerufa::testspooler {

class Spooler {
public:
    ~Spooler() { stop(); }

    // Starts cupsd, adds the capture queue and makes it the default
    // printer. On failure returns false with the reason in *whyNot (no
    // cupsd, not root, the daemon did not come up) and leaves nothing
    // running.
    bool start(QString *whyNot);
    // Stops the daemon that start() launched, by its process id.
    void stop();
    // Ends the daemon but keeps its folder, queues and settings: the print
    // system is not running. startAgain() starts it on the same socket.
    void halt();
    bool startAgain(QString *whyNot);
    // Freezes the daemon (SIGSTOP): it takes connections but answers none,
    // until thawed (SIGCONT).
    void freeze();
    void thaw();

    // The default printer's queue.
    QString queueName() const { return QStringLiteral("nerufa-capture"); }
    // Adds another capture queue (after start()); its jobs are stored apart
    // from those of the default queue. On failure returns false with the
    // reason in *whyNot.
    bool addQueue(const QString &name, QString *whyNot);
    // From the n-th job the queue stores on, its printer "runs out of paper":
    // the queue stops and keeps the job. 0 switches this off.
    void failFrom(int n, const QString &queue = {});
    // Whether the queue is stopped (disabled), as lpstat shows it.
    bool queueStopped(const QString &queue = {}) const;
    // The options cupsd passed to the backend with a stored job.
    static QString jobOptions(const QString &job);
    // Waits until at least `count` jobs of the queue (empty: the default
    // one) are stored, at most timeoutMs; returns them, oldest first.
    QStringList waitForJobs(int count, int timeoutMs = 15000, const QString &queue = {}) const;
    // Runs a CUPS tool (cupsreject, cupsaccept, lpadmin …) against this
    // spooler; true when it exits 0.
    bool runTool(const QString &tool, const QStringList &arguments) const;
    // The daemon's error log, for failure messages.
    QString errorLog() const;

private:
    QString path(const QString &name) const { return m_dir ? m_dir->filePath(name) : QString(); }
    QString outFolder(const QString &queue) const;
    bool startDaemon(QString *whyNot);
    // Runs a step of spooler.sh; what went wrong, or nothing.
    QString runScript(const QString &step, const QString &queue = {}) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_daemon;
};

// True when NERUFA_REQUIRE_SPOOLER asks for the spooler tests to run: a
// reason to skip them is then a failure.
inline bool spoolerRequired()
{
    return !qEnvironmentVariableIsEmpty("NERUFA_REQUIRE_SPOOLER") && qgetenv("NERUFA_REQUIRE_SPOOLER") != "0";
}

} // namespace nerufa::testspooler

// Skips the test with the reason, or fails it when the spooler is required.
#define NERUFA_SKIP_OR_FAIL(reason)                                                      \
    do {                                                                                 \
        const QByteArray why_ = QString(reason).toLocal8Bit();                           \
        if (nerufa::testspooler::spoolerRequired())                                      \
            QFAIL(("spooler required (NERUFA_REQUIRE_SPOOLER) but: " + why_).constData()); \
        QSKIP(why_.constData());                                                         \
    } while (false)
