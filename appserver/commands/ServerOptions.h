#pragma once

#include "appserver/commands/ServeCommand.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The server's command line, with APPSERVER_TOKEN: whether to serve, run an administrative
// command, show the help, or refuse the line. Parsing has no side effects, so the tests use it as
// main does.
class ServerOptions {
    Q_DECLARE_TR_FUNCTIONS(ServerOptions)

public:
    enum class Request { Serve, ShowHelp, UsageError, Languages, Export, Stats, Version };

    // arguments as QCoreApplication::arguments() gives them: the program first.
    static ServerOptions parse(const QStringList& arguments, const QProcessEnvironment& environment);

    Request request() const { return request_; }
    // What was wrong with the command line, when request() is UsageError.
    const QString& usageError() const { return usageError_; }
    const QString& helpText() const { return helpText_; }

    // For Serve.
    const ServeOptions& serve() const { return serve_; }

    // For the administrative commands: their own arguments, the command's display name first (as
    // QCommandLineParser expects argv[0]), and the --database given before the command name (empty:
    // none).
    const QStringList& commandArguments() const { return commandArguments_; }
    const QString& commandDatabase() const { return commandDatabase_; }

private:
    Request request_ = Request::Serve;
    QString usageError_;
    QString helpText_;
    ServeOptions serve_;
    QStringList commandArguments_;
    QString commandDatabase_;
};
