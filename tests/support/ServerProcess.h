#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The real application server as a child process on a free loopback port, with a database of
// its own in a temporary directory.
class ServerProcess {
public:
    // Starts the server; throws std::runtime_error with its output when it does not come up.
    explicit ServerProcess(const QStringList& extraArguments = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return port_; }
    QString databasePath() const { return dir_.filePath(QStringLiteral("translations.sqlite")); }

    // Runs an administrative subcommand against the same database; returns its standard output.
    QString admin(const QStringList& arguments, int* exitCode = nullptr) const;

    // Stops the server (SIGKILL when hard) and starts it again on the same port and database.
    void stop(bool hard = false);
    void restart();
    bool running() const { return process_.state() == QProcess::Running; }

    static QString executable();

private:
    void start(int port);

    QTemporaryDir dir_;
    QStringList extraArguments_;
    QProcess process_;
    int port_ = 0;
};
