#include "appserver/AdminCommands.h"
#include "appserver/ServeCommand.h"
#include "appserver/ServerOptions.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("appserver"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));

    const ServerOptions options =
        ServerOptions::parse(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    switch (options.request()) {
    case ServerOptions::Request::ShowHelp:
        QTextStream(stdout) << options.helpText();
        return 0;
    case ServerOptions::Request::UsageError:
        QTextStream(stderr) << "appserver: " << options.usageError() << "\nTry appserver --help.\n";
        return 2;
    case ServerOptions::Request::Languages:
        return runLanguagesCommand(options.commandArguments(), options.commandDatabase());
    case ServerOptions::Request::Export:
        return runExportCommand(options.commandArguments(), options.commandDatabase());
    case ServerOptions::Request::Version:
        return runVersionCommand(options.commandArguments(), options.commandDatabase());
    case ServerOptions::Request::Stats:
        return runStatsCommand(options.commandArguments(), options.commandDatabase());
    case ServerOptions::Request::Serve:
        break;
    }
    return runServer(options.serve());
}
