#include "appserver/AdminCommands.h"
#include "appserver/DatabaseLocation.h"
#include "appserver/ListenAddress.h"
#include "appserver/ServeCommand.h"
#include "appserver/ServerLimits.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTextStream>

#include <type_traits>

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
    // There is deliberately no option taking the token itself: every user sees the process list.
    const QCommandLineOption tokenFile(
        QStringLiteral("token-file"),
        QStringLiteral("Require the token held in this file (UTF-8, surrounding blanks ignored, read once "
                       "at start), as the client's token file holds it. Without it, the environment "
                       "variable APPSERVER_TOKEN, when set, holds the token."),
        QStringLiteral("FILE"));
    const QCommandLineOption maxMessageBytes(
        QStringLiteral("max-message-bytes"),
        QStringLiteral("Longest request line, in bytes; a longer one closes its connection. Default: %1.")
            .arg(ServerLimits::kDefaultMaxMessageBytes),
        QStringLiteral("BYTES"));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Connections served at once; one more is refused. Default: %1.")
            .arg(ServerLimits::kDefaultMaxConnections),
        QStringLiteral("COUNT"));
    const QCommandLineOption idleTimeout(
        QStringLiteral("idle-timeout"),
        QStringLiteral("Close a connection that sends no complete request for this long; 0: never. "
                       "Default: %1.")
            .arg(ServerLimits::kDefaultIdleTimeoutSeconds),
        QStringLiteral("SECONDS"));
    const QList<QCommandLineOption> serveOptions{listen, tokenFile, maxMessageBytes, maxConnections,
                                                 idleTimeout};
    parser.addOptions({help, database});
    parser.addOptions(serveOptions);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("languages, export or version; none to serve."),
                                 QStringLiteral("[command]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        if (parser.unknownOptionNames().contains(QStringLiteral("token")))
            return usageError(parser.errorText() +
                              QStringLiteral(" A token on the command line is visible to every user of the "
                                             "machine; use --token-file FILE or APPSERVER_TOKEN."));
        return usageError(parser.errorText());
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() && parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }

    if (!positional.isEmpty()) {
        const QString command = positional.first();
        for (const QCommandLineOption& option : serveOptions) {
            if (parser.isSet(option))
                return usageError(
                    QStringLiteral("--%1 applies only when serving").arg(option.names().first()));
        }
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
    // A limit's option, when given, replaces its default.
    const auto readLimit = [&parser, &whyNot](const QCommandLineOption& option, qint64 minimum,
                                              qint64 maximum, auto& limit) {
        if (!parser.isSet(option))
            return true;
        const std::optional<qint64> value = parseLimit(parser.value(option), minimum, maximum, &whyNot);
        if (!value) {
            whyNot = QStringLiteral("--%1: %2").arg(option.names().first(), whyNot);
            return false;
        }
        limit = static_cast<std::remove_reference_t<decltype(limit)>>(*value);
        return true;
    };
    if (!readLimit(maxMessageBytes, ServerLimits::kMinMaxMessageBytes, ServerLimits::kMaxMaxMessageBytes,
                   options.limits.maxMessageBytes) ||
        !readLimit(maxConnections, 1, ServerLimits::kMaxMaxConnections, options.limits.maxConnections) ||
        !readLimit(idleTimeout, 0, ServerLimits::kMaxIdleTimeoutSeconds, options.limits.idleTimeoutSeconds))
        return usageError(whyNot);

    // An empty path, say from an unset shell variable, must not quietly mean "no token".
    if (parser.isSet(tokenFile) && parser.value(tokenFile).isEmpty())
        return usageError(QStringLiteral("--token-file: the path is empty"));
    options.tokenFile = parser.value(tokenFile);
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.contains(QStringLiteral("APPSERVER_TOKEN")))
        options.environmentToken = environment.value(QStringLiteral("APPSERVER_TOKEN"));
    return runServer(options);
}
