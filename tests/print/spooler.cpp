#include "spooler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace nerufa::testspooler {

namespace {

// Debian's folder of backends, filters and helpers.
const char *const kDebianServerBin = "/usr/lib/cups";

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
mv "$dir/.$name" "$dir/$name"
)";

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QString findTool(const char *name)
{
    const QString tool = QString::fromLatin1(name);
    QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(tool, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

} // namespace

bool spoolerRequired()
{
    const QByteArray value = qgetenv("NERUFA_REQUIRE_SPOOLER");
    return !value.isEmpty() && value != "0";
}

Spooler::Spooler() = default;

Spooler::~Spooler()
{
    stop();
}

QString Spooler::socketPath() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("cups.sock")) : QString();
}

bool Spooler::writeSetup(QString *whyNot)
{
    const QDir root(m_dir->path());
    for (const char *sub : {"bin/backend", "spool/tmp", "cache", "state", "log", "out"}) {
        if (!root.mkpath(QString::fromLatin1(sub))) {
            *whyNot = QStringLiteral("cannot make %1 in %2").arg(QString::fromLatin1(sub), root.path());
            return false;
        }
    }

    // Every helper folder but backend/ comes from Debian's installation.
    const QDir serverBin(QString::fromLatin1(kDebianServerBin));
    if (!serverBin.exists()) {
        *whyNot = QStringLiteral("%1 is missing (package cups-daemon)").arg(serverBin.path());
        return false;
    }
    for (const QString &entry : serverBin.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry != u"backend")
            QFile::link(serverBin.filePath(entry), root.filePath(QStringLiteral("bin/") + entry));
    }

    // cupsd runs a backend as root only when root owns it with mode 0700.
    const QString backend = root.filePath(QStringLiteral("bin/backend/capture"));
    if (!writeFile(backend, kCaptureBackend)
        || !QFile::setPermissions(backend, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                               | QFileDevice::ExeOwner)) {
        *whyNot = QStringLiteral("cannot write the capture backend %1").arg(backend);
        return false;
    }

    const QString d = root.path();
    const QByteArray daemonConf = QStringLiteral(
        "Listen %1/cups.sock\n"
        "Browsing Off\n"
        "WebInterface No\n"
        "LogLevel warn\n"
        "<Location />\n"
        "  Order allow,deny\n"
        "  Allow all\n"
        "</Location>\n").arg(d).toLocal8Bit();
    const QByteArray filesConf = QStringLiteral(
        "ServerRoot %1\n"
        "RequestRoot %1/spool\n"
        "TempDir %1/spool/tmp\n"
        "CacheDir %1/cache\n"
        "StateDir %1/state\n"
        "ServerBin %1/bin\n"
        "DataDir /usr/share/cups\n"
        "AccessLog %1/log/access_log\n"
        "ErrorLog %1/log/error_log\n"
        "PageLog %1/log/page_log\n").arg(d).toLocal8Bit();
    if (!writeFile(root.filePath(QStringLiteral("cupsd.conf")), daemonConf)
        || !writeFile(root.filePath(QStringLiteral("cups-files.conf")), filesConf)) {
        *whyNot = QStringLiteral("cannot write the configuration in %1").arg(d);
        return false;
    }
    return true;
}

bool Spooler::runAdmin(const QStringList &arguments, QString *output) const
{
    QProcess admin;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), socketPath());
    admin.setProcessEnvironment(env);
    admin.setProcessChannelMode(QProcess::MergedChannels);
    admin.start(findTool("lpadmin"), arguments);
    const bool ok = admin.waitForFinished(10000) && admin.exitStatus() == QProcess::NormalExit
                    && admin.exitCode() == 0;
    *output = QString::fromLocal8Bit(admin.readAll()) + admin.errorString();
    return ok;
}

bool Spooler::start(QString *whyNot)
{
    if (m_daemon.state() != QProcess::NotRunning)
        return true;
    const QString cupsd = findTool("cupsd");
    if (cupsd.isEmpty() || findTool("lpadmin").isEmpty()) {
        *whyNot = QStringLiteral("cupsd or lpadmin not found (packages cups-daemon, cups-client)");
        return false;
    }
    if (geteuid() != 0) {
        *whyNot = QStringLiteral("not root: the private cupsd runs its capture backend as root, "
                                 "which needs root to own it");
        return false;
    }
    // A short path: a local socket's name is limited to about 100 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/nerufa-cups-XXXXXX"));
    if (!m_dir->isValid()) {
        *whyNot = QStringLiteral("cannot make a temporary folder: ") + m_dir->errorString();
        m_dir.reset();
        return false;
    }
    if (!writeSetup(whyNot)) {
        m_dir.reset();
        return false;
    }

    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), m_dir->filePath(QStringLiteral("cupsd.conf")),
                           QStringLiteral("-s"), m_dir->filePath(QStringLiteral("cups-files.conf"))});
    if (!m_daemon.waitForStarted(5000)) {
        *whyNot = QStringLiteral("cupsd did not start: ") + m_daemon.errorString();
        m_dir.reset();
        return false;
    }

    // The queue can be added as soon as the daemon answers on its socket.
    const QString outDir = m_dir->filePath(QStringLiteral("out"));
    const QStringList addQueue{QStringLiteral("-p"), queueName(), QStringLiteral("-E"),
                               QStringLiteral("-v"), QStringLiteral("capture:") + outDir,
                               QStringLiteral("-m"), QStringLiteral("raw")};
    QString output;
    bool added = false;
    for (QDeadlineTimer deadline(10000); !added && !deadline.hasExpired();) {
        if (m_daemon.state() != QProcess::Running)
            break;
        if (QFileInfo::exists(socketPath()))
            added = runAdmin(addQueue, &output);
        if (!added)
            QTest::qWait(25);
    }
    if (!added || !runAdmin({QStringLiteral("-d"), queueName()}, &output)) {
        *whyNot = QStringLiteral("the private cupsd did not take the queue: %1\n%2\n%3")
                      .arg(output, QString::fromLocal8Bit(m_daemon.readAll()), errorLog());
        stop();
        return false;
    }
    qputenv("CUPS_SERVER", socketPath().toLocal8Bit());
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

QStringList Spooler::capturedJobs() const
{
    if (!m_dir)
        return {};
    const QDir out(m_dir->filePath(QStringLiteral("out")));
    QStringList jobs;
    for (const QString &name : out.entryList({QStringLiteral("job-*.pdf")}, QDir::Files, QDir::Name))
        jobs.append(out.filePath(name));
    return jobs;
}

QStringList Spooler::waitForJobs(int count, int timeoutMs) const
{
    QStringList jobs = capturedJobs();
    for (QDeadlineTimer deadline(timeoutMs); jobs.size() < count && !deadline.hasExpired();) {
        QTest::qWait(20);
        jobs = capturedJobs();
    }
    return jobs;
}

QString Spooler::errorLog() const
{
    if (!m_dir)
        return {};
    QFile log(m_dir->filePath(QStringLiteral("log/error_log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

} // namespace nerufa::testspooler
