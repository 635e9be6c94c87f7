#include "appserver/ServeCommand.h"

#include "appserver/DescriptorLimit.h"
#include "appserver/ImpPocketObject.h"
#include "appserver/RpcServer.h"
#include "appserver/ServerRegistry.h"
#include "appserver/Storage.h"
#include "appserver/TlsCredentials.h"
#include "appserver/TokenSource.h"
#include "signals/UnixSignalBridge.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

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
        qCritical("appserver: %s", qPrintable(whyNot));
        return 1;
    }
    if (!token->warning.isEmpty())
        qWarning("%s", qPrintable(token->warning));

    std::optional<TlsCredentials> tls;
    if (!options.tlsCertificateFile.isEmpty()) {
        tls = loadTlsCredentials(options.tlsCertificateFile, options.tlsKeyFile, &whyNot);
        if (!tls) {
            qCritical("appserver: %s", qPrintable(whyNot));
            return 1;
        }
        for (const QString& warning : std::as_const(tls->warnings))
            qWarning("%s", qPrintable(warning));
    }

    std::unique_ptr<Storage> storage;
    try {
        storage = std::make_unique<Storage>(database);
    } catch (const StorageError& error) {
        qCritical("appserver: cannot open the database: %s", qPrintable(error.message()));
        return 1;
    }
    qInfo("database %s, schema version %d", qPrintable(database.describe()), storage->schemaVersion());

    ServerRegistry registry;
    registry.add(std::make_shared<ImpPocketObject>(*storage));

    RpcServer server(registry, token->token, options.limits,
                     tls ? std::optional<QSslConfiguration>(tls->configuration) : std::nullopt);
    server.setDescriptorLimit(descriptors);
    if (!server.listen(options.listen.host, options.listen.port)) {
        qCritical("appserver: cannot listen on %s: %s",
                  qPrintable(formatHostPort(options.listen.host, options.listen.port)),
                  qPrintable(server.errorString()));
        return 1;
    }
    const QString where = formatHostPort(server.address(), server.port());
    // Logged before the start line, so whoever waits for that line finds these in the log.
    if (server.address().isLoopback())
        qInfo("listening on %s, loopback only: only this machine can connect", qPrintable(where));
    else
        qWarning("listening on %s, reachable from other machines%s", qPrintable(where),
                 token->token.isRequired()
                     ? ""
                     : ", and no token is required: whoever reaches it can read and "
                       "change the data (give one with --token-file or APPSERVER_TOKEN)");
    if (tls)
        qInfo("TLS 1.2 or newer on every connection, %s", qPrintable(tls->description));
    else if (!server.address().isLoopback())
        qWarning("listening on %s without TLS: the token and the data cross the network in clear text "
                 "(give --tls-cert FILE and --tls-key FILE)",
                 qPrintable(where));
    if (token->token.isRequired())
        qInfo("rpc.open requires the token from %s", qPrintable(token->origin));
    else
        qInfo("no token required: any client that connects may open a server object");
    const QString idleTimeout = options.limits.idleTimeoutSeconds > 0
                                    ? QStringLiteral("%1 s").arg(options.limits.idleTimeoutSeconds)
                                    : QStringLiteral("none");
    qInfo("limits: requests up to %lld bytes, %d connections at once, idle timeout %s",
          qlonglong(options.limits.maxMessageBytes), options.limits.maxConnections, qPrintable(idleTimeout));
    qInfo("limits before authentication: %d s to finish it, %d connections at once, %d from one address; "
          "file descriptors: %s",
          options.limits.authTimeoutSeconds, options.limits.maxUnauthenticated(),
          ServerLimits::kMaxUnauthenticatedPerAddress,
          qPrintable(descriptors < 0 ? QStringLiteral("no limit") : QString::number(descriptors)));
    qInfo("serving %s", qPrintable(registry.names().join(QStringLiteral(", "))));
    std::printf("appserver listening on %s\n", qPrintable(where));
    std::fflush(stdout);

    QObject::connect(&shutdownSignals, &UnixSignalBridge::caught, &server, [&server](int signalNumber) {
        qInfo("signal %d: shutting down", signalNumber);
        server.shutdown();
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    qInfo("stopped");
    return status;
}
