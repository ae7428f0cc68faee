#pragma once

#include "historylocation.h"

#include <QString>
#include <QTemporaryDir>

// A private PostgreSQL server for tests: Debian's initdb and pg_ctl in a
// temporary folder, listening on a Unix socket there only, run as the
// unprivileged `postgres` user when the test runs as root (the server
// refuses root). Stopped, by its data folder, when the object goes.
namespace nerufa::testpg {

class PgServer {
public:
    ~PgServer() { stop(); }

    // Makes the cluster (once) and starts the server; on failure returns
    // false with the reason in *whyNot.
    bool start(QString *whyNot);
    // Stops it (fast shutdown: open connections are cut). True when it ran.
    bool stop();

    // A new empty database on this server, as the history's location.
    history::Location newDatabase(QString *whyNot);
    // The same as a --database URL.
    static QString url(const history::Location &location);

private:
    // Runs a PostgreSQL program as the server's user; what went wrong, or
    // nothing.
    QString run(const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_dir{QStringLiteral("/tmp/nerufa-pg-XXXXXX")}; // short: a socket path has 107 bytes
    bool m_made = false;
    bool m_running = false;
    int m_databases = 0;
};

} // namespace nerufa::testpg
