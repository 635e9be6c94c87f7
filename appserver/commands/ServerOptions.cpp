#include "appserver/commands/ServerOptions.h"

#include "appserver/commands/AdminCommand.h"
#include "appserver/commands/AdminCommands.h"

#include <QCommandLineParser>

namespace {

// An option that an environment variable stands in for, as a service's environment file sets it.
struct VariableOption {
    QString name;
    QString variable;
};

const QString kHelp = QStringLiteral("help");
const VariableOption kDatabase{QStringLiteral("database"), QStringLiteral("APPSERVER_DATABASE")};
const VariableOption kListen{QStringLiteral("listen"), QStringLiteral("APPSERVER_LISTEN")};
const VariableOption kTokenFile{QStringLiteral("token-file"), QStringLiteral("APPSERVER_TOKEN_FILE")};
const QString kMaxMessageBytes = QStringLiteral("max-message-bytes");
const QString kMaxConnections = QStringLiteral("max-connections");
const QString kIdleTimeout = QStringLiteral("idle-timeout");
const QString kAuthTimeout = QStringLiteral("auth-timeout");
const VariableOption kTlsCertificate{QStringLiteral("tls-cert"), QStringLiteral("APPSERVER_TLS_CERT")};
const VariableOption kTlsKey{QStringLiteral("tls-key"), QStringLiteral("APPSERVER_TLS_KEY")};
// The options that apply only when serving, in the order the help shows them.
const QStringList kServeOnly{kListen.name, kTokenFile.name, kMaxMessageBytes,     kMaxConnections,
                             kIdleTimeout, kAuthTimeout,    kTlsCertificate.name, kTlsKey.name};

// The option when given, else its variable when set: an option given wins.
std::optional<QString> valueOf(const QCommandLineParser& parser, const QProcessEnvironment& environment,
                               const VariableOption& option) {
    if (parser.isSet(option.name))
        return parser.value(option.name);
    if (environment.contains(option.variable))
        return environment.value(option.variable);
    return std::nullopt;
}

// A file an option or its variable names; empty: none.
QString pathOf(const QCommandLineParser& parser, const QProcessEnvironment& environment,
               const VariableOption& option) {
    return valueOf(parser, environment, option).value_or(QString());
}

} // namespace

ServerOptions ServerOptions::parse(const QStringList& arguments, const QProcessEnvironment& environment) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("The application server of the translation capture tool. Without a command it serves the "
           "server object Vdr04000.rdmImpPocket over TCP (line-delimited JSON-RPC 2.0, see "
           "docs/protocol.md) until SIGTERM or SIGINT, and prints \"appserver listening on HOST:PORT\" "
           "on stdout once it accepts connections.\n\n"
           "Commands (each has --help):\n%1")
            .arg(adminCommandsHelp()));
    // Everything after the command name belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOptions(
        {QCommandLineOption({QStringLiteral("h"), kHelp}, tr("Show this help.")),
         QCommandLineOption(kDatabase.name, databaseOptionDescription(), QStringLiteral("URL"))});
    declareServeOptions(parser);
    parser.addPositionalArgument(QStringLiteral("command"), tr("%1; none to serve.").arg(adminCommandNames()),
                                 QStringLiteral("[command]"));

    ServerOptions options;
    if (options.parseWith(parser, arguments))
        options.read(parser, environment);
    else if (parser.unknownOptionNames().contains(QStringLiteral("token")))
        options.refuse(tr("%1 A token on the command line is visible to every user of the machine; use "
                          "--token-file FILE or APPSERVER_TOKEN.")
                           .arg(parser.errorText()));
    return options;
}

void ServerOptions::declareServeOptions(QCommandLineParser& parser) {
    parser.addOption(QCommandLineOption(
        kListen.name,
        tr("Address to serve on, HOST:PORT; port 0 picks a free port. Default: 127.0.0.1:%1 "
           "(loopback: only this machine can connect). Environment: APPSERVER_LISTEN.")
            .arg(ListenAddress::kDefaultPort),
        QStringLiteral("HOST:PORT")));
    // There is deliberately no option taking the token itself: every user sees the process list.
    parser.addOption(QCommandLineOption(
        kTokenFile.name,
        tr("Require the token held in this file (UTF-8, surrounding blanks ignored, read once "
           "at start), as the client's token file holds it. Without it, the environment "
           "variable APPSERVER_TOKEN, when set, holds the token. Environment: "
           "APPSERVER_TOKEN_FILE."),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        kMaxMessageBytes,
        tr("Longest request line, in bytes; a longer one closes its connection. Default: %1.")
            .arg(ServerLimits::kDefaultMaxMessageBytes),
        QStringLiteral("BYTES")));
    parser.addOption(QCommandLineOption(kMaxConnections,
                                        tr("Connections served at once; one more is refused. Default: %1.")
                                            .arg(ServerLimits::kDefaultMaxConnections),
                                        QStringLiteral("COUNT")));
    parser.addOption(
        QCommandLineOption(kIdleTimeout,
                           tr("Close a connection that sends no complete request for this long; 0: never. "
                              "Default: %1.")
                               .arg(ServerLimits::kDefaultIdleTimeoutSeconds),
                           QStringLiteral("SECONDS")));
    parser.addOption(QCommandLineOption(
        kAuthTimeout,
        tr("Close a connection that has not finished its TLS handshake and, when a token is "
           "required, opened the server object this long after connecting (1 to %1). "
           "Default: %2.")
            .arg(ServerLimits::kMaxAuthTimeoutSeconds)
            .arg(ServerLimits::kDefaultAuthTimeoutSeconds),
        QStringLiteral("SECONDS")));
    parser.addOption(
        QCommandLineOption(kTlsCertificate.name,
                           tr("Serve TLS (1.2 or newer) with the certificate in this PEM file: the server's "
                              "certificate first, any intermediate certificates after it. Needs --tls-key. "
                              "Environment: APPSERVER_TLS_CERT."),
                           QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(kTlsKey.name,
                                        tr("The private key of --tls-cert, an unencrypted PEM file. "
                                           "Environment: APPSERVER_TLS_KEY."),
                                        QStringLiteral("FILE")));
}

bool ServerOptions::read(const QCommandLineParser& parser, const QProcessEnvironment& environment) {
    const std::optional<QString> database = valueOf(parser, environment, kDatabase);
    if (!parser.positionalArguments().isEmpty())
        return readCommand(parser, database);
    if (parser.isSet(kHelp))
        return ask(Request::ShowHelp);
    return readServe(parser, environment, database);
}

bool ServerOptions::readCommand(const QCommandLineParser& parser, const std::optional<QString>& database) {
    for (const QString& option : kServeOnly) {
        if (parser.isSet(option))
            return refuse(tr("--%1 applies only when serving").arg(option));
    }
    const QStringList positional = parser.positionalArguments();
    command_ = findAdminCommand(positional.first());
    if (!command_)
        return refuse(tr("unknown command \"%1\"").arg(positional.first()));
    commandArguments_ = QStringList{QStringLiteral("appserver ") + positional.first()} + positional.mid(1);
    commandDatabase_ = database.value_or(QString());
    return true;
}

bool ServerOptions::readServe(const QCommandLineParser& parser, const QProcessEnvironment& environment,
                              const std::optional<QString>& database) {
    const std::optional<QString> listen = valueOf(parser, environment, kListen);
    if (listen && !readValue(kListen.name, *listen, parseListenAddress, serve_.listen))
        return false;
    if (database && !readValue(kDatabase.name, *database, parseDatabaseLocation, serve_.database))
        return false;
    return readLimits(parser) && readSecrets(parser, environment);
}

bool ServerOptions::readLimits(const QCommandLineParser& parser) {
    // A limit's option, when given, replaces its default.
    const auto readLimit = [this, &parser](const QString& option, qint64 minimum, qint64 maximum,
                                           auto& limit) {
        const auto parseWithin = [minimum, maximum](const QString& text, QString* whyNot) {
            return parseLimit(text, minimum, maximum, whyNot);
        };
        return !parser.isSet(option) || readValue(option, parser.value(option), parseWithin, limit);
    };
    ServerLimits& limits = serve_.limits;
    return readLimit(kMaxMessageBytes, ServerLimits::kMinMaxMessageBytes, ServerLimits::kMaxMaxMessageBytes,
                     limits.maxMessageBytes) &&
           readLimit(kMaxConnections, 1, ServerLimits::kMaxMaxConnections, limits.maxConnections) &&
           readLimit(kIdleTimeout, 0, ServerLimits::kMaxIdleTimeoutSeconds, limits.idleTimeoutSeconds) &&
           readLimit(kAuthTimeout, 1, ServerLimits::kMaxAuthTimeoutSeconds, limits.authTimeoutSeconds);
}

// The token file and the TLS files: paths, read when serving starts.
bool ServerOptions::readSecrets(const QCommandLineParser& parser, const QProcessEnvironment& environment) {
    // An empty path, say from an unset shell variable, must not quietly mean "none"; an empty
    // variable in an environment file is the file's way of saying none.
    for (const QString& option : {kTokenFile.name, kTlsCertificate.name, kTlsKey.name}) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return refuse(tr("--%1: the path is empty").arg(option));
    }
    serve_.tokenFile = pathOf(parser, environment, kTokenFile);
    if (environment.contains(QStringLiteral("APPSERVER_TOKEN")))
        serve_.environmentToken = environment.value(QStringLiteral("APPSERVER_TOKEN"));
    serve_.tlsCertificateFile = pathOf(parser, environment, kTlsCertificate);
    serve_.tlsKeyFile = pathOf(parser, environment, kTlsKey);
    // Half a TLS set-up must not quietly serve plain text.
    if (serve_.tlsCertificateFile.isEmpty() != serve_.tlsKeyFile.isEmpty())
        return refuse(tr("--tls-cert and --tls-key go together: give both to serve TLS, or neither"));
    return true;
}
