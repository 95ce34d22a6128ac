#pragma once
// A private PostgreSQL 15 server with PostGIS for the tests: a cluster made by initdb in a
// temporary folder, listening on a local port, run by an unprivileged user when the tests run as
// root, and stopped at the end.
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace talvena::test {

class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    // Empty when the server could not start; `problem` says why.
    bool running() const { return running_; }
    const QString& problem() const { return problem_; }
    // A new empty database on the server, as a libpq URI.
    QString createDatabase(const QString& name);
    // psql's unaligned output of one statement.
    QByteArray psql(const QString& uri, const QString& sql);

private:
    QStringList asServerUser(const QString& program, const QStringList& args) const;
    std::unique_ptr<QTemporaryDir> dir_;
    QString bin_;
    int port_ = 0;
    bool running_ = false;
    bool root_ = false;
    QString problem_;
};

} // namespace talvena::test
