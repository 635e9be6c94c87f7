#pragma once

#include "appserver/commands/ServeCommand.h"
#include "cmdline/CommandLine.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;
struct AdminCommandEntry;

// The server's command line, with APPSERVER_TOKEN: whether to serve, run an administrative
// command, show the help, or refuse the line. Parsing has no side effects, so the tests use it as
// main does.
class ServerOptions : public CommandLine {
    Q_DECLARE_TR_FUNCTIONS(ServerOptions)

public:
    // arguments as QCoreApplication::arguments() gives them: the program first.
    static ServerOptions parse(const QStringList& arguments, const QProcessEnvironment& environment);

    // For a run: the administrative command the line names; nullptr to serve.
    const AdminCommandEntry* command() const { return command_; }

    // For serving.
    const ServeOptions& serve() const { return serve_; }

    // For an administrative command: its own arguments, its display name first (as
    // QCommandLineParser expects argv[0]), and the --database given before its name (empty: none).
    const QStringList& commandArguments() const { return commandArguments_; }
    const QString& commandDatabase() const { return commandDatabase_; }

private:
    static void declareServeOptions(QCommandLineParser& parser);

    // The options of a line that parsed; whether it is still a run. Each of the others reads a
    // part of them likewise.
    bool read(const QCommandLineParser& parser, const QProcessEnvironment& environment);
    bool readCommand(const QCommandLineParser& parser, const std::optional<QString>& database);
    bool readServe(const QCommandLineParser& parser, const QProcessEnvironment& environment,
                   const std::optional<QString>& database);
    bool readLimits(const QCommandLineParser& parser);
    bool readSecrets(const QCommandLineParser& parser, const QProcessEnvironment& environment);

    const AdminCommandEntry* command_ = nullptr;
    ServeOptions serve_;
    QStringList commandArguments_;
    QString commandDatabase_;
};
