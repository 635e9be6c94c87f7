#include "appserver/commands/ServerOptions.h"

#include "appserver/commands/AdminCommand.h"

#include <QCommandLineParser>

#include <type_traits>

ServerOptions ServerOptions::parse(const QStringList& arguments, const QProcessEnvironment& environment) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("The application server of the translation capture tool. Without a command it serves the "
           "server object Vdr04000.rdmImpPocket over TCP (line-delimited JSON-RPC 2.0, see "
           "docs/protocol.md) until SIGTERM or SIGINT, and prints \"appserver listening on HOST:PORT\" "
           "on stdout once it accepts connections.\n\n"
           "Commands (each has --help):\n"
           "  languages [add CODE DESCRIPTION [PROP]]   list or add the languages offered\n"
           "  export --format csv|json [--language CODE] [--program CODE] [--state CODE]   write the "
           "translation rows\n"
           "  stats [--format text|json] [--language CODE] [--program CODE]   count them\n"
           "  version                                   show the version record"));
    // Everything after the command name belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help."));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        tr("Address to serve on, HOST:PORT; port 0 picks a free port. Default: 127.0.0.1:%1 "
           "(loopback: only this machine can connect). Environment: APPSERVER_LISTEN.")
            .arg(ListenAddress::kDefaultPort),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption database(QStringLiteral("database"), databaseOptionDescription(),
                                      QStringLiteral("URL"));
    // There is deliberately no option taking the token itself: every user sees the process list.
    const QCommandLineOption tokenFile(
        QStringLiteral("token-file"),
        tr("Require the token held in this file (UTF-8, surrounding blanks ignored, read once "
           "at start), as the client's token file holds it. Without it, the environment "
           "variable APPSERVER_TOKEN, when set, holds the token. Environment: "
           "APPSERVER_TOKEN_FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption maxMessageBytes(
        QStringLiteral("max-message-bytes"),
        tr("Longest request line, in bytes; a longer one closes its connection. Default: %1.")
            .arg(ServerLimits::kDefaultMaxMessageBytes),
        QStringLiteral("BYTES"));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        tr("Connections served at once; one more is refused. Default: %1.")
            .arg(ServerLimits::kDefaultMaxConnections),
        QStringLiteral("COUNT"));
    const QCommandLineOption idleTimeout(
        QStringLiteral("idle-timeout"),
        tr("Close a connection that sends no complete request for this long; 0: never. "
           "Default: %1.")
            .arg(ServerLimits::kDefaultIdleTimeoutSeconds),
        QStringLiteral("SECONDS"));
    const QCommandLineOption authTimeout(
        QStringLiteral("auth-timeout"),
        tr("Close a connection that has not finished its TLS handshake and, when a token is "
           "required, opened the server object this long after connecting (1 to %1). "
           "Default: %2.")
            .arg(ServerLimits::kMaxAuthTimeoutSeconds)
            .arg(ServerLimits::kDefaultAuthTimeoutSeconds),
        QStringLiteral("SECONDS"));
    const QCommandLineOption tlsCertificate(
        QStringLiteral("tls-cert"),
        tr("Serve TLS (1.2 or newer) with the certificate in this PEM file: the server's "
           "certificate first, any intermediate certificates after it. Needs --tls-key. "
           "Environment: APPSERVER_TLS_CERT."),
        QStringLiteral("FILE"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    tr("The private key of --tls-cert, an unencrypted PEM file. "
                                       "Environment: APPSERVER_TLS_KEY."),
                                    QStringLiteral("FILE"));
    const QList<QCommandLineOption> serveOptions{listen,      tokenFile,   maxMessageBytes, maxConnections,
                                                 idleTimeout, authTimeout, tlsCertificate,  tlsKey};
    parser.addOptions({help, database});
    parser.addOptions(serveOptions);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 tr("languages, export, stats or version; none to serve."),
                                 QStringLiteral("[command]"));

    ServerOptions options;
    options.helpText_ = parser.helpText();
    const auto refuse = [&options](const QString& why) {
        options.request_ = Request::UsageError;
        options.usageError_ = why;
        return options;
    };
    if (!parser.parse(arguments)) {
        if (parser.unknownOptionNames().contains(QStringLiteral("token")))
            return refuse(tr("%1 A token on the command line is visible to every user of the machine; use "
                             "--token-file FILE or APPSERVER_TOKEN.")
                              .arg(parser.errorText()));
        return refuse(parser.errorText());
    }

    // An option given wins over its environment variable, which a service's environment file sets.
    const auto valueOf = [&parser, &environment](const QCommandLineOption& option,
                                                 const QString& variable) -> std::optional<QString> {
        if (parser.isSet(option))
            return parser.value(option);
        if (environment.contains(variable))
            return environment.value(variable);
        return std::nullopt;
    };
    const std::optional<QString> databaseText = valueOf(database, QStringLiteral("APPSERVER_DATABASE"));

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() && parser.isSet(help)) {
        options.request_ = Request::ShowHelp;
        return options;
    }

    if (!positional.isEmpty()) {
        const QString command = positional.first();
        for (const QCommandLineOption& option : serveOptions) {
            if (parser.isSet(option))
                return refuse(tr("--%1 applies only when serving").arg(option.names().first()));
        }
        if (command == QLatin1String("languages"))
            options.request_ = Request::Languages;
        else if (command == QLatin1String("export"))
            options.request_ = Request::Export;
        else if (command == QLatin1String("stats"))
            options.request_ = Request::Stats;
        else if (command == QLatin1String("version"))
            options.request_ = Request::Version;
        else
            return refuse(tr("unknown command \"%1\"").arg(command));
        options.commandArguments_ = QStringList{QStringLiteral("appserver ") + command} + positional.mid(1);
        options.commandDatabase_ = databaseText.value_or(QString());
        return options;
    }

    ServeOptions& serve = options.serve_;
    QString whyNot;
    if (const std::optional<QString> listenText = valueOf(listen, QStringLiteral("APPSERVER_LISTEN"))) {
        const std::optional<ListenAddress> address = parseListenAddress(*listenText, &whyNot);
        if (!address)
            return refuse(QStringLiteral("--listen: %1").arg(whyNot));
        serve.listen = *address;
    }
    if (databaseText) {
        serve.database = parseDatabaseLocation(*databaseText, &whyNot);
        if (!serve.database)
            return refuse(QStringLiteral("--database: %1").arg(whyNot));
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
                   serve.limits.maxMessageBytes) ||
        !readLimit(maxConnections, 1, ServerLimits::kMaxMaxConnections, serve.limits.maxConnections) ||
        !readLimit(idleTimeout, 0, ServerLimits::kMaxIdleTimeoutSeconds, serve.limits.idleTimeoutSeconds) ||
        !readLimit(authTimeout, 1, ServerLimits::kMaxAuthTimeoutSeconds, serve.limits.authTimeoutSeconds))
        return refuse(whyNot);

    // An empty path, say from an unset shell variable, must not quietly mean "no token"; an empty
    // variable in an environment file is the file's way of saying none.
    if (parser.isSet(tokenFile) && parser.value(tokenFile).isEmpty())
        return refuse(tr("--token-file: the path is empty"));
    serve.tokenFile = valueOf(tokenFile, QStringLiteral("APPSERVER_TOKEN_FILE")).value_or(QString());
    if (environment.contains(QStringLiteral("APPSERVER_TOKEN")))
        serve.environmentToken = environment.value(QStringLiteral("APPSERVER_TOKEN"));

    for (const QCommandLineOption& option : {tlsCertificate, tlsKey}) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return refuse(tr("--%1: the path is empty").arg(option.names().first()));
    }
    // Empty in an environment file, as for the token file: none.
    serve.tlsCertificateFile =
        valueOf(tlsCertificate, QStringLiteral("APPSERVER_TLS_CERT")).value_or(QString());
    serve.tlsKeyFile = valueOf(tlsKey, QStringLiteral("APPSERVER_TLS_KEY")).value_or(QString());
    // Half a TLS set-up must not quietly serve plain text.
    if (serve.tlsCertificateFile.isEmpty() != serve.tlsKeyFile.isEmpty())
        return refuse(tr("--tls-cert and --tls-key go together: give both to serve TLS, or neither"));
    return options;
}
