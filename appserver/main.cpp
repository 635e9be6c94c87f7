#include "appserver/commands/AdminCommands.h"
#include "appserver/commands/ServeCommand.h"
#include "appserver/commands/ServerOptions.h"
#include "locale/Translations.h"

#include <QCoreApplication>
#include <QTextStream>

#include <optional>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("appserver"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    Translations::install(QLocale::system(), Translations::kServerCatalog);

    const ServerOptions options =
        ServerOptions::parse(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    if (const std::optional<int> status = options.answer(
            QStringLiteral("appserver"),
            QCoreApplication::translate("AppserverMain", "appserver: %1\nTry appserver --help.\n")))
        return *status;
    if (!options.command())
        return runServer(options.serve());
    QTextStream out(stdout);
    QTextStream err(stderr);
    return options.command()->make(out, err)->run(options.commandArguments(), options.commandDatabase());
}
