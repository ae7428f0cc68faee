#include "spooler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

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
    if (whyNot->isEmpty()) {
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(cupsd, {"-f", "-c", path("cupsd.conf"), "-s", path("cups-files.conf")});
        *whyNot = m_daemon.waitForStarted(5000) ? runScript("queue") : "cupsd did not start: " + m_daemon.errorString();
    }
    if (!whyNot->isEmpty()) {
        stop();
        return false;
    }
    qputenv("CUPS_SERVER", path("cups.sock").toLocal8Bit());
    // Where libcups keeps the user's default destination (lpoptions):
    // HOME/.cups, and CUPS_SERVERROOT for the system-wide file.
    qputenv("HOME", path("home").toLocal8Bit());
    qputenv("CUPS_SERVERROOT", m_dir->path().toLocal8Bit());
    return true;
}

bool Spooler::addQueue(const QString &name, QString *whyNot)
{
    *whyNot = m_dir ? runScript(QStringLiteral("queue"), name) : QStringLiteral("the spooler is not running");
    return whyNot->isEmpty();
}

void Spooler::stop()
{
    // SIGTERM, then SIGKILL, to the daemon's own pid; nothing when none runs.
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(2000);
    m_dir.reset();
}

QStringList Spooler::waitForJobs(int count, int timeoutMs, const QString &queue) const
{
    for (QDeadlineTimer deadline(timeoutMs);; QTest::qWait(20)) {
        const QDir out(path(queue.isEmpty() || queue == queueName() ? QStringLiteral("out") : "out-" + queue));
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
    return QProcess::execute(QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin"}), arguments) == 0;
}

QString Spooler::errorLog() const
{
    QFile log(path("log/error_log"));
    return m_dir && log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

} // namespace nerufa::testspooler
