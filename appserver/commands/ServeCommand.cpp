#include "appserver/commands/ServeCommand.h"

#include "appserver/commands/TokenSource.h"
#include "appserver/net/DescriptorLimit.h"
#include "appserver/net/RpcServer.h"
#include "appserver/net/TlsCredentials.h"
#include "appserver/object/ImpPocketObject.h"
#include "appserver/rpc/ServerRegistry.h"
#include "appserver/storage/Storage.h"
#include "signals/UnixSignalBridge.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// The log's lines go through the message pattern, which dates and marks them.
void logInfo(const QString& line) {
    qInfo("%s", qUtf8Printable(line));
}

void logWarning(const QString& line) {
    qWarning("%s", qUtf8Printable(line));
}

void logCritical(const QString& line) {
    qCritical("%s", qUtf8Printable(line));
}

} // namespace

int runServer(const ServeOptions& options) {
    const DatabaseLocation database = options.database ? *options.database : defaultDatabaseLocation();
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-ddThh:mm:ss.zzz} %{if-warning}warning: %{endif}"
                                      "%{if-critical}error: %{endif}%{message}"));
    // Armed first, so that a signal during the start still ends the server once it serves.
    UnixSignalBridge shutdownSignals({SIGTERM, SIGINT});
    shutdownSignals.arm();

    // Every socket is a descriptor, those of peers being turned away too.
    const long descriptors = raiseDescriptorLimit();

    QString whyNot;
    const std::optional<ConfiguredToken> token =
        loadToken(options.tokenFile, options.environmentToken, &whyNot);
    if (!token) {
        logCritical(QStringLiteral("appserver: %1").arg(whyNot));
        return 1;
    }
    if (!token->warning.isEmpty())
        logWarning(token->warning);

    std::optional<TlsCredentials> tls;
    if (!options.tlsCertificateFile.isEmpty()) {
        tls = loadTlsCredentials(options.tlsCertificateFile, options.tlsKeyFile, &whyNot);
        if (!tls) {
            logCritical(QStringLiteral("appserver: %1").arg(whyNot));
            return 1;
        }
        for (const QString& warning : std::as_const(tls->warnings))
            logWarning(warning);
    }

    std::unique_ptr<Storage> storage;
    try {
        storage = std::make_unique<Storage>(database);
    } catch (const StorageError& error) {
        logCritical(QCoreApplication::translate("ServeCommand", "appserver: cannot open the database: %1")
                        .arg(error.message()));
        return 1;
    }
    logInfo(QCoreApplication::translate("ServeCommand", "database %1, schema version %2")
                .arg(database.describe(), QString::number(storage->schemaVersion())));

    ServerRegistry registry;
    registry.add(std::make_shared<ImpPocketObject>(*storage));

    RpcServer server(registry, token->token, options.limits,
                     tls ? std::optional<QSslConfiguration>(tls->configuration) : std::nullopt);
    server.setDescriptorLimit(descriptors);
    if (!server.listen(options.listen.host, options.listen.port)) {
        logCritical(QCoreApplication::translate("ServeCommand", "appserver: cannot listen on %1: %2")
                        .arg(formatHostPort(options.listen.host, options.listen.port), server.errorString()));
        return 1;
    }
    const QString where = formatHostPort(server.address(), server.port());
    // Logged before the start line, so whoever waits for that line finds these in the log.
    if (server.address().isLoopback())
        logInfo(QCoreApplication::translate("ServeCommand",
                                            "listening on %1, loopback only: only this machine can connect")
                    .arg(where));
    else if (token->token.isRequired())
        logWarning(
            QCoreApplication::translate("ServeCommand", "listening on %1, reachable from other machines")
                .arg(where));
    else
        logWarning(QCoreApplication::translate(
                       "ServeCommand",
                       "listening on %1, reachable from other machines, and no token is required: "
                       "whoever reaches it can read and change the data (give one with --token-file or "
                       "APPSERVER_TOKEN)")
                       .arg(where));
    if (tls)
        logInfo(QCoreApplication::translate("ServeCommand", "TLS 1.2 or newer on every connection, %1")
                    .arg(tls->description));
    else if (!server.address().isLoopback())
        logWarning(QCoreApplication::translate(
                       "ServeCommand",
                       "listening on %1 without TLS: the token and the data cross the network in clear "
                       "text (give --tls-cert FILE and --tls-key FILE)")
                       .arg(where));
    if (!token->token.isRequired())
        logInfo(QCoreApplication::translate(
            "ServeCommand", "no token required: any client that connects may open a server object"));
    else if (token->file.isEmpty())
        logInfo(
            QCoreApplication::translate("ServeCommand", "rpc.open requires the token from APPSERVER_TOKEN"));
    else
        logInfo(QCoreApplication::translate("ServeCommand", "rpc.open requires the token from the file %1")
                    .arg(token->file));
    const QString idleTimeout = options.limits.idleTimeoutSeconds > 0
                                    ? QStringLiteral("%1 s").arg(options.limits.idleTimeoutSeconds)
                                    : QCoreApplication::translate("ServeCommand", "none");
    logInfo(QCoreApplication::translate(
                "ServeCommand", "limits: requests up to %1 bytes, %2 connections at once, idle timeout %3")
                .arg(QString::number(options.limits.maxMessageBytes),
                     QString::number(options.limits.maxConnections), idleTimeout));
    logInfo(QCoreApplication::translate(
                "ServeCommand",
                "limits before authentication: %1 s to finish it, %2 connections at once, %3 from one "
                "address; file descriptors: %4")
                .arg(QString::number(options.limits.authTimeoutSeconds),
                     QString::number(options.limits.maxUnauthenticated()),
                     QString::number(ServerLimits::kMaxUnauthenticatedPerAddress),
                     descriptors < 0 ? QCoreApplication::translate("ServeCommand", "no limit")
                                     : QString::number(descriptors)));
    logInfo(QCoreApplication::translate("ServeCommand", "serving %1")
                .arg(registry.names().join(QStringLiteral(", "))));
    // Scripts and whoever started the server wait for this line and read the address from it: it
    // is the same in every language.
    std::printf("appserver listening on %s\n", qPrintable(where));
    std::fflush(stdout);

    QObject::connect(&shutdownSignals, &UnixSignalBridge::caught, &server, [&server](int signalNumber) {
        logInfo(QCoreApplication::translate("ServeCommand", "signal %1: shutting down").arg(signalNumber));
        server.shutdown();
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    logInfo(QCoreApplication::translate("ServeCommand", "stopped"));
    return status;
}
