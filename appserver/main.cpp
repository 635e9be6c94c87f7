#include "AdminCommands.h"
#include "DatabaseLocation.h"
#include "ListenAddress.h"
#include "ServeCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QTextStream>

namespace {

constexpr int kBadUsage = 2;

int usageError(const QString& message) {
    QTextStream(stderr) << "appserver: " << message << "\nTry appserver --help.\n";
    return kBadUsage;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("appserver"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The application server of the translation capture tool. Without a command it serves the "
        "server object Vdr04000.rdmImpPocket over TCP (line-delimited JSON-RPC 2.0, see "
        "docs/protocol.md) until SIGTERM or SIGINT, and prints \"appserver listening on HOST:PORT\" "
        "on stdout once it accepts connections.\n\n"
        "Commands (each has --help):\n"
        "  languages [add CODE DESCRIPTION [PROP]]   list or add the languages offered\n"
        "  export --format csv|json [--language CODE] [--program CODE]   write the translation rows\n"
        "  version                                   show the version record"));
    // Everything after the command name belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Address to serve on, HOST:PORT; port 0 picks a free port. Default: 127.0.0.1:%1 "
                       "(loopback: only this machine can connect).")
            .arg(ListenAddress::kDefaultPort),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption database(QStringLiteral("database"), databaseOptionDescription(),
                                      QStringLiteral("URL"));
    const QCommandLineOption token(QStringLiteral("token"),
                                   QStringLiteral("Require this token in rpc.open. The environment variable "
                                                  "APPSERVER_TOKEN does the same without showing it in the "
                                                  "process list."),
                                   QStringLiteral("TOKEN"));
    const QCommandLineOption tokenFile(
        QStringLiteral("token-file"),
        QStringLiteral("Require the token held in this file (UTF-8, surrounding "
                       "blanks ignored), as the client's token file holds it."),
        QStringLiteral("FILE"));
    parser.addOptions({help, listen, database, token, tokenFile});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("languages, export or version; none to serve."),
                                 QStringLiteral("[command]"));
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() && parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }

    if (!positional.isEmpty()) {
        const QString command = positional.first();
        if (parser.isSet(listen) || parser.isSet(token) || parser.isSet(tokenFile))
            return usageError(QStringLiteral("--listen, --token and --token-file apply only when serving"));
        const QStringList arguments = QStringList{QStringLiteral("appserver ") + command} + positional.mid(1);
        const QString databaseUrl = parser.value(database);
        if (command == QLatin1String("languages"))
            return runLanguagesCommand(arguments, databaseUrl);
        if (command == QLatin1String("export"))
            return runExportCommand(arguments, databaseUrl);
        if (command == QLatin1String("version"))
            return runVersionCommand(arguments, databaseUrl);
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    }

    ServeOptions options;
    QString whyNot;
    if (parser.isSet(listen)) {
        const std::optional<ListenAddress> address = parseListenAddress(parser.value(listen), &whyNot);
        if (!address)
            return usageError(QStringLiteral("--listen: %1").arg(whyNot));
        options.listen = *address;
    }
    if (parser.isSet(database)) {
        const std::optional<DatabaseLocation> location =
            parseDatabaseLocation(parser.value(database), &whyNot);
        if (!location)
            return usageError(QStringLiteral("--database: %1").arg(whyNot));
        options.database = *location;
    } else {
        options.database = defaultDatabaseLocation();
    }
    if (parser.isSet(tokenFile)) {
        QFile file(parser.value(tokenFile));
        if (!file.open(QIODevice::ReadOnly)) {
            QTextStream(stderr) << "appserver: cannot read the token file " << file.fileName() << ": "
                                << file.errorString() << "\n";
            return 1;
        }
        options.token = QString::fromUtf8(file.readAll()).trimmed();
        if (options.token.isEmpty()) {
            QTextStream(stderr) << "appserver: the token file " << file.fileName() << " is empty\n";
            return 1;
        }
    } else if (parser.isSet(token)) {
        options.token = parser.value(token);
    } else {
        options.token = QProcessEnvironment::systemEnvironment().value(QStringLiteral("APPSERVER_TOKEN"));
    }
    return runServer(options);
}
