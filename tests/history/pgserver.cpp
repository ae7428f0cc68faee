#include "pgserver.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <exception>
#include <unistd.h>

namespace nerufa::testpg {

namespace {

PgServer *running = nullptr;

QString binFolder()
{
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return versions.isEmpty() ? QString() : QStringLiteral("/usr/lib/postgresql/%1/bin").arg(versions.last());
}

} // namespace

QString PgServer::run(const QString &program, const QStringList &arguments) const
{
    const QString path = binFolder() + QLatin1Char('/') + program;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
    return {};
}

bool PgServer::start(QString *whyNot)
{
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!m_made) {
        if (binFolder().isEmpty())
            return *whyNot = QStringLiteral("no PostgreSQL server installed (package postgresql)"), false;
        if (geteuid() == 0 && QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres:"), m_dir.path()}) != 0)
            return *whyNot = QStringLiteral("cannot give the folder to the postgres user"), false;
        *whyNot = run(QStringLiteral("initdb"), {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("nerufa"),
                                                 QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                                                 QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync")});
        if (!whyNot->isEmpty())
            return false;
        m_made = true;
    }
    // No TCP port: the socket in the folder is the only way in, so servers
    // of tests running side by side never meet.
    *whyNot = run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("log")),
                                             QStringLiteral("-w"), QStringLiteral("-o"),
                                             QStringLiteral("-k %1 -c listen_addresses= -F").arg(m_dir.path()), QStringLiteral("start")});
    m_running = whyNot->isEmpty();
    // A test that ends by an exception (Qt Test passes it on) stops the
    // server first, so no server outlives its test.
    running = this;
    std::set_terminate([] {
        if (running)
            running->stop();
        try {
            if (std::current_exception())
                std::rethrow_exception(std::current_exception());
        } catch (const std::exception &error) {
            std::fprintf(stderr, "terminate: %s\n", error.what());
        } catch (...) {
        }
        std::abort();
    });
    return m_running;
}

bool PgServer::stop()
{
    if (!m_running)
        return false;
    m_running = false;
    return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
                                          QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")}).isEmpty();
}

history::Location PgServer::newDatabase(QString *whyNot)
{
    history::Location location;
    location.kind = history::Location::Kind::Postgres;
    location.host = m_dir.path();
    location.user = QStringLiteral("nerufa");
    location.database = QStringLiteral("history%1").arg(++m_databases);
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg-admin"));
        admin.setHostName(location.host);
        admin.setUserName(location.user);
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (!admin.open() || !QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + location.database))
            *whyNot = admin.lastError().text();
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pg-admin"));
    return location;
}

QString PgServer::url(const history::Location &location)
{
    return QStringLiteral("postgresql://%1@/%2?host=%3").arg(location.user, location.database, location.host);
}

} // namespace nerufa::testpg
