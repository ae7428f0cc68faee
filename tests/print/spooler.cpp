#include "spooler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <csignal>

namespace nerufa::testspooler {

QString Spooler::runScript(const QString &step, const QString &queue) const
{
    QProcess script;
    script.start(QStringLiteral("bash"), {QStringLiteral(NERUFA_SPOOLER_SCRIPT), step, m_dir->path(), queue});
    if (script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0)
        return {};
    const QString why = QString::fromLocal8Bit(script.readAllStandardError()).trimmed();
    return why.isEmpty() ? script.errorString() : why;
}

bool Spooler::start(QString *whyNot)
{
    QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    // A short path: a local socket's name is limited to about 100 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/nerufa-cups-XXXXXX"));
    *whyNot = cupsd.isEmpty() ? QStringLiteral("cupsd not found (package cups-daemon)") : runScript("setup");
    // For this process and the tools it runs. Where libcups keeps the
    // user's default destination (lpoptions): HOME/.cups, and
    // CUPS_SERVERROOT for the system-wide file.
    qputenv("CUPS_SERVER", path("cups.sock").toLocal8Bit());
    qputenv("HOME", path("home").toLocal8Bit());
    qputenv("CUPS_SERVERROOT", m_dir->path().toLocal8Bit());
    if (whyNot->isEmpty() && startDaemon(whyNot))
        *whyNot = runScript("queue");
    if (!whyNot->isEmpty()) {
        stop();
        return false;
    }
    return true;
}

bool Spooler::startDaemon(QString *whyNot)
{
    const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(cupsd, {"-f", "-c", path("cupsd.conf"), "-s", path("cups-files.conf")});
    if (!m_daemon.waitForStarted(5000)) {
        *whyNot = "cupsd did not start: " + m_daemon.errorString();
        return false;
    }
    // Up once its socket answers.
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QTest::qWait(25)) {
        QProcess lpstat;
        lpstat.start(QStandardPaths::findExecutable("lpstat", {"/usr/bin"}), {"-r"});
        if (lpstat.waitForFinished(5000) && lpstat.exitCode() == 0)
            return true;
    }
    *whyNot = "cupsd did not answer";
    return false;
}

void Spooler::halt()
{
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(2000);
}

bool Spooler::startAgain(QString *whyNot)
{
    // cupsd writes its queues to disk only after a while: a daemon ended
    // soon after they were added may come back without them.
    if (!startDaemon(whyNot))
        return false;
    *whyNot = runScript(QStringLiteral("queue"));
    return whyNot->isEmpty();
}

void Spooler::freeze()
{
    ::kill(pid_t(m_daemon.processId()), SIGSTOP);
}

void Spooler::thaw()
{
    ::kill(pid_t(m_daemon.processId()), SIGCONT);
}

QString Spooler::outFolder(const QString &queue) const
{
    return path(queue.isEmpty() || queue == queueName() ? QStringLiteral("out") : "out-" + queue);
}

void Spooler::failFrom(int n, const QString &queue)
{
    QFile file(QDir(outFolder(queue)).filePath(".fail-from"));
    if (n == 0)
        file.remove();
    else if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray::number(n));
}

bool Spooler::queueStopped(const QString &queue) const
{
    QProcess lpstat;
    lpstat.start(QStandardPaths::findExecutable("lpstat", {"/usr/bin"}), {"-p", queue.isEmpty() ? queueName() : queue});
    return lpstat.waitForFinished(10000) && lpstat.readAllStandardOutput().contains("disabled");
}

QString Spooler::jobOptions(const QString &job)
{
    QFile file(QString(job).replace(".pdf", ".options"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

bool Spooler::addQueue(const QString &name, QString *whyNot)
{
    *whyNot = m_dir ? runScript(QStringLiteral("queue"), name) : QStringLiteral("the spooler is not running");
    return whyNot->isEmpty();
}

void Spooler::stop()
{
    // SIGTERM, then SIGKILL, to the daemon's own pid; nothing when none runs.
    thaw();
    halt();
    m_dir.reset();
}

QStringList Spooler::waitForJobs(int count, int timeoutMs, const QString &queue) const
{
    for (QDeadlineTimer deadline(timeoutMs);; QTest::qWait(20)) {
        const QDir out(outFolder(queue));
        QStringList jobs;
        for (const QString &name : out.entryList({"job-*.pdf"}, QDir::Files, QDir::Name))
            jobs.append(out.filePath(name));
        if (!m_dir || jobs.size() >= count || deadline.hasExpired())
            return jobs;
    }
}

bool Spooler::runTool(const QString &tool, const QStringList &arguments) const
{
    // start() pointed CUPS_SERVER at this spooler for the whole process.
    QProcess process;
    process.start(QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin"}), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString Spooler::errorLog() const
{
    QFile log(path("log/error_log"));
    return m_dir && log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

} // namespace nerufa::testspooler
