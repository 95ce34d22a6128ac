#include "postgres_server.h"

#include "tool_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace talvena::test {

namespace {

bool runQuiet(const QStringList& command, QString& output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.front(), command.mid(1));
    if (!p.waitForFinished(120000)) {
        output = command.front() + " did not finish";
        return false;
    }
    output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

QStringList PostgresServer::asServerUser(const QString& program, const QStringList& args) const
{
    const QString path = bin_ + '/' + program;
    return root_ ? QStringList{"runuser", "-u", "nobody", "--", path} + args : QStringList{path} + args;
}

PostgresServer::PostgresServer()
{
    ensureApplication();
    bin_ = QStringLiteral("/usr/lib/postgresql/15/bin");
    if (!QFileInfo::exists(bin_ + "/initdb") || !QFileInfo::exists(bin_ + "/pg_ctl")) {
        problem_ = "PostgreSQL 15 is not installed (" + bin_ + "/initdb); scripts/install-deps.sh installs it";
        return;
    }
    if (!QFileInfo::exists(QStringLiteral("/usr/share/postgresql/15/extension/postgis.control"))) {
        problem_ = "PostGIS for PostgreSQL 15 is not installed (postgresql-15-postgis-3)";
        return;
    }
    root_ = ::geteuid() == 0;
    dir_ = std::make_unique<QTemporaryDir>(QDir::temp().filePath("talvena-pg-XXXXXX"));
    if (root_) ::chown(QFile::encodeName(dir_->path()).constData(), 65534, 65534);
    QString out;
    const QString data = dir_->filePath("data");
    if (!runQuiet(asServerUser("initdb", {"-D", data, "-U", "talvena", "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8"}), out)) {
        problem_ = "initdb failed: " + out;
        return;
    }
    // A port of this process's own, away from the usual one.
    for (int attempt = 0; attempt < 20 && !running_; ++attempt) {
        port_ = 40000 + (::getpid() * 7 + attempt * 131) % 20000;
        running_ = runQuiet(asServerUser("pg_ctl", {"-D", data, "-l", dir_->filePath("server.log"), "-w", "-o",
                                                    QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                                        .arg(port_)
                                                        .arg(dir_->path()),
                                                    "start"}),
                            out);
    }
    if (!running_) problem_ = "the server did not start: " + out;
}

PostgresServer::~PostgresServer()
{
    if (!running_) return;
    QString out;
    runQuiet(asServerUser("pg_ctl", {"-D", dir_->filePath("data"), "-m", "fast", "-w", "stop"}), out);
}

QString PostgresServer::createDatabase(const QString& name)
{
    const QString base = QStringLiteral("postgresql://talvena@127.0.0.1:%1/").arg(port_);
    psql(base + "postgres", "CREATE DATABASE " + name);
    return base + name;
}

QByteArray PostgresServer::psql(const QString& uri, const QString& sql)
{
    const ProgramRun r = runProgram("psql", {"-X", "-A", "-t", "-v", "ON_ERROR_STOP=1", uri, "-c", sql});
    EXPECT_EQ(r.exitCode, 0) << sql.toStdString() << ": " << r.err.toStdString();
    return r.out;
}

} // namespace talvena::test
