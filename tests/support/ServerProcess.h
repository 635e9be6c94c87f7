#pragma once

#include "TestDatabase.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The real application server as a child process on a free loopback port, on a database of
// either storage kind.
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
    int port() const { return port_; }
    const TestDatabase& database() const { return *database_; }
    StorageKind storage() const { return database_->kind(); }
    // The SQLite file; empty on PostgreSQL.
    QString databasePath() const { return database_->location().sqlitePath; }

    // Runs an administrative subcommand against the same database; returns its standard output.
    QString admin(const QStringList& arguments, int* exitCode = nullptr) const;

    // Stops the server (SIGKILL when hard) and starts it again on the same port and database.
    void stop(bool hard = false);
    void restart();
    bool running() const { return process_.state() == QProcess::Running; }
    // Everything the server wrote to stderr so far.
    QString log() const;

    static QString executable();

private:
    ServerProcess(std::unique_ptr<TestDatabase> ownDatabase, const TestDatabase* database,
                  const QStringList& extraArguments);
    void start(int port);

    std::unique_ptr<TestDatabase> ownDatabase_;
    const TestDatabase* database_;
    QTemporaryDir dir_;
    QStringList extraArguments_;
    QProcess process_;
    int port_ = 0;
};
