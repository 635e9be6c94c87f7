#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The real appserver as a child process, on 127.0.0.1 with a port the system picks unless told
// one and, unless told another, a SQLite database in a temporary directory that lives as long as
// this object.
// Its stderr goes to a log file there, so a chatty server never blocks on a full pipe.
class AppserverProcess {
public:
    AppserverProcess();
    ~AppserverProcess();
    AppserverProcess(const AppserverProcess&) = delete;
    AppserverProcess& operator=(const AppserverProcess&) = delete;

    static QString executable();

    QString directory() const { return dir_.path(); }
    QString databasePath() const { return databasePath_; }
    QString databaseUrl() const {
        return databaseUrl_.isEmpty() ? QStringLiteral("sqlite:") + databasePath_ : databaseUrl_;
    }
    // Another file, e.g. to let two servers share one database. Call before start().
    void setDatabasePath(const QString& path) { databasePath_ = path; }
    // Any --database URL instead of the file; databasePath() no longer applies. Call before start().
    void setDatabaseUrl(const QString& url) { databaseUrl_ = url; }
    // The port to listen on instead of one the system picks, e.g. to come back on the same one.
    // Call before start().
    void setListenPort(quint16 port) { listenPort_ = port; }
    // Runs the server with at most this many file descriptors (soft and hard limit, so it cannot
    // raise them). Call before start().
    void setDescriptorLimit(int limit) { descriptorLimit_ = limit; }

    // Runs `appserver --listen 127.0.0.1:0 --database URL extraArgs` and waits for its
    // "appserver listening on HOST:PORT" line. False when the server exited first or never said it
    // listens; exitCode() and log() then tell why.
    bool start(const QStringList& extraArgs = {});
    // start() in two halves, to start several servers at the same moment: launch() returns once
    // the process runs, waitUntilListening() waits for the line.
    bool launch(const QStringList& extraArgs = {});
    bool waitUntilListening();
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    quint16 port() const { return port_; }
    QString listeningLine() const { return listeningLine_; }

    // Sends the signal (SIGTERM by default) and waits for the exit: the exit status, or -1 when
    // the server did not exit by itself and was killed.
    int stop(int signalNumber = 15);
    int exitCode() const { return process_.exitCode(); }
    // Everything the server wrote to stderr so far, and its size in bytes.
    QString log() const;
    qint64 logBytes() const;
    // The server's resident memory now, in bytes; -1 when it is not running.
    qint64 residentBytes() const;

    struct CommandResult {
        int exitCode = -1;
        QString out;
        QString err;
    };
    // Runs `appserver --database URL args` to its end (for the administrative commands).
    CommandResult runCommand(const QStringList& args) const;
    // The same without adding --database, in the given environment.
    static CommandResult
    runRaw(const QStringList& args,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

private:
    QTemporaryDir dir_;
    QString databasePath_;
    QString databaseUrl_;
    QString logPath_;
    QProcess process_;
    quint16 listenPort_ = 0;
    int descriptorLimit_ = 0; // 0: inherited
    quint16 port_ = 0;
    QString listeningLine_;
};
