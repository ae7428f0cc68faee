#include "spooler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace nerufa::testspooler {

namespace {

// Called with no arguments, a backend describes itself; otherwise it
// stores the job (the file named by its sixth argument, or standard
// input) under the folder of its device URI, capture:FOLDER. The job is
// written under a temporary name first so a reader never sees half a file.
const char *const kCaptureBackend = R"(#!/bin/sh
if [ $# -eq 0 ]; then
    echo 'direct capture "Unknown" "Stores each job as a file"'
    exit 0
fi
dir=${DEVICE_URI#capture:}
name=$(printf 'job-%06d.pdf' "$1")
if [ -n "$6" ]; then cp "$6" "$dir/.$name"; else cat > "$dir/.$name"; fi || exit 1
echo "$4" > "$dir/${name%.pdf}.copies"
mv "$dir/.$name" "$dir/$name"
)";

// cupsd.conf and cups-files.conf; %1 is the spooler's folder.
const char *const kDaemonConf = "Listen %1/cups.sock\nBrowsing Off\nWebInterface No\nLogLevel warn\n"
                                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
const char *const kFilesConf = "ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                               "CacheDir %1/cache\nStateDir %1/state\nServerBin %1/bin\n"
                               "DataDir /usr/share/cups\nAccessLog %1/log/access_log\n"
                               "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n";

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QString findTool(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : path;
}

} // namespace

// The folders, the helpers, the backend and the configuration: what went
// wrong, or nothing.
QString Spooler::writeSetup() const
{
    const QDir root(m_dir->path());
    for (const char *sub : {"bin/backend", "spool/tmp", "cache", "state", "log", "out"})
        if (!root.mkpath(sub))
            return QStringLiteral("cannot make %1 in %2").arg(sub, root.path());
    // Every helper folder but backend/ comes from Debian's installation.
    const QDir serverBin("/usr/lib/cups");
    if (!serverBin.exists())
        return serverBin.path() + " is missing (package cups-daemon)";
    for (const QString &entry : serverBin.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (entry != u"backend")
            QFile::link(serverBin.filePath(entry), root.filePath("bin/" + entry));
    // cupsd runs a backend as root only when root owns it with mode 0700.
    const QString backend = root.filePath("bin/backend/capture");
    if (!writeFile(backend, kCaptureBackend)
        || !QFile::setPermissions(backend, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return "cannot write the capture backend " + backend;
    if (!writeFile(path("cupsd.conf"), QString(kDaemonConf).arg(root.path()).toLocal8Bit())
        || !writeFile(path("cups-files.conf"), QString(kFilesConf).arg(root.path()).toLocal8Bit()))
        return "cannot write the configuration in " + root.path();
    return {};
}

bool Spooler::runAdmin(const QStringList &arguments, QString *output) const
{
    return runTool("lpadmin", arguments, output);
}

bool Spooler::start(QString *whyNot)
{
    if (m_daemon.state() != QProcess::NotRunning)
        return true;
    const QString cupsd = findTool("cupsd");
    if (cupsd.isEmpty() || findTool("lpadmin").isEmpty()) {
        *whyNot = "cupsd or lpadmin not found (packages cups-daemon, cups-client)";
        return false;
    }
    if (geteuid() != 0) {
        *whyNot = "not root: the private cupsd runs its capture backend as root, which needs root to own it";
        return false;
    }
    // A short path: a local socket's name is limited to about 100 bytes.
    m_dir = std::make_unique<QTemporaryDir>("/tmp/nerufa-cups-XXXXXX");
    *whyNot = m_dir->isValid() ? writeSetup() : "cannot make a temporary folder: " + m_dir->errorString();
    if (whyNot->isEmpty()) {
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(cupsd, {"-f", "-c", path("cupsd.conf"), "-s", path("cups-files.conf")});
        if (!m_daemon.waitForStarted(5000))
            *whyNot = "cupsd did not start: " + m_daemon.errorString();
    }
    if (!whyNot->isEmpty()) {
        m_dir.reset();
        return false;
    }

    // The queue can be added as soon as the daemon answers on its socket.
    const QStringList addQueue{"-p", queueName(), "-E", "-v", "capture:" + path("out"), "-m", "raw"};
    QString output;
    bool added = false;
    for (QDeadlineTimer deadline(10000); !added && !deadline.hasExpired() && m_daemon.state() == QProcess::Running;) {
        added = QFile::exists(path("cups.sock")) && runAdmin(addQueue, &output);
        if (!added)
            QTest::qWait(25);
    }
    if (!added || !runAdmin({"-d", queueName()}, &output)) {
        *whyNot = QStringLiteral("the private cupsd did not take the queue: %1\n%2\n%3")
                      .arg(output, QString::fromLocal8Bit(m_daemon.readAll()), errorLog());
        stop();
        return false;
    }
    qputenv("CUPS_SERVER", path("cups.sock").toLocal8Bit());
    // Where libcups keeps the user's default destination (lpoptions):
    // HOME/.cups, and CUPS_SERVERROOT for the system-wide file.
    QDir(m_dir->path()).mkdir("home");
    qputenv("HOME", path("home").toLocal8Bit());
    qputenv("CUPS_SERVERROOT", m_dir->path().toLocal8Bit());
    return true;
}

void Spooler::stop()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate(); // SIGTERM to the daemon's own pid
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(2000);
        }
    }
    m_dir.reset();
}

QString Spooler::outFolder(const QString &queue) const
{
    return path(queue == queueName() ? QStringLiteral("out") : "out-" + queue);
}

bool Spooler::addQueue(const QString &queue)
{
    QString output;
    return QDir().mkpath(outFolder(queue))
           && runAdmin({"-p", queue, "-E", "-v", "capture:" + outFolder(queue), "-m", "raw"}, &output);
}

bool Spooler::runTool(const QString &tool, const QStringList &arguments, QString *output) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", path("cups.sock"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(findTool(tool), arguments);
    const bool ok = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
                    && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return ok;
}

QStringList Spooler::waitForJobs(int count, int timeoutMs) const
{
    return waitForJobs(queueName(), count, timeoutMs);
}

QStringList Spooler::waitForJobs(const QString &queue, int count, int timeoutMs) const
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

QString Spooler::errorLog() const
{
    QFile log(path("log/error_log"));
    return m_dir && log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

} // namespace nerufa::testspooler
