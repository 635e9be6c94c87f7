#include "appserver/commands/AdminCommands.h"
#include "appserver/commands/ServeCommand.h"
#include "appserver/commands/ServerOptions.h"
#include "locale/Translations.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("appserver"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    Translations::install(QLocale::system(), Translations::kServerCatalog);

    const ServerOptions options =
        ServerOptions::parse(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    switch (options.request()) {
    case ServerOptions::Request::ShowHelp:
        QTextStream(stdout) << options.helpText();
        return 0;
    case ServerOptions::Request::UsageError:
        QTextStream(stderr) << QCoreApplication::translate("AppserverMain",
                                                           "appserver: %1\nTry appserver --help.\n")
                                   .arg(options.usageError());
        return 2;
    case ServerOptions::Request::Serve:
        return runServer(options.serve());
    case ServerOptions::Request::Languages:
    case ServerOptions::Request::Export:
    case ServerOptions::Request::Stats:
    case ServerOptions::Request::Version:
        break;
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    return makeAdminCommand(options.request(), out, err)
        ->run(options.commandArguments(), options.commandDatabase());
}
