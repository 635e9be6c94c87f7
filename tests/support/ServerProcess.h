#pragma once

#include "tests/appserver/AppserverProcess.h"
#include "tests/support/database/TestDatabase.h"

#include <QString>
#include <QStringList>

#include <csignal>
#include <memory>

// The real application server, running from construction to destruction, on a free loopback port
// and a database of either storage kind: the end-to-end suites' server.
class ServerProcess {
public:
    // Each starts the server and throws std::runtime_error with its output when it does not come up.
    // On a new SQLite database of its own.
    explicit ServerProcess(const QStringList& extraArguments = {});
    // On a new database of its own of that kind (TestDatabase tells where a PostgreSQL one is made).
    explicit ServerProcess(StorageKind storage, const QStringList& extraArguments = {});
    // On a database the caller keeps, e.g. one that two servers share.
    explicit ServerProcess(const TestDatabase& database, const QStringList& extraArguments = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return process_.port(); }
    const TestDatabase& database() const { return *database_; }
    // The SQLite file; empty on PostgreSQL.
    QString databasePath() const { return database_->location().sqlitePath; }

    // Runs an administrative subcommand against the same database; returns its standard output.
    QString admin(const QStringList& arguments, int* exitCode = nullptr) const;

    // Stops the server (SIGKILL when hard) and starts it again on the same port and database.
    void stop(bool hard = false);
    void restart();
    bool running() const { return process_.isRunning(); }
    // Everything the server wrote to stderr so far.
    QString log() const { return process_.log(); }

private:
    ServerProcess(std::unique_ptr<TestDatabase> ownDatabase, const TestDatabase* database,
                  const QStringList& extraArguments);
    void start();

    std::unique_ptr<TestDatabase> ownDatabase_;
    const TestDatabase* database_;
    QStringList extraArguments_;
    AppserverProcess process_;
};
