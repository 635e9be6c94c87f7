#include "ServeCommand.h"

#include "ImpPocketObject.h"
#include "RpcServer.h"
#include "ServerRegistry.h"
#include "SignalWatcher.h"
#include "Storage.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

int runServer(const ServeOptions& options) {
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-ddThh:mm:ss.zzz} %{if-warning}warning: %{endif}"
                                      "%{if-critical}error: %{endif}%{message}"));
    SignalWatcher signalWatcher({SIGTERM, SIGINT});

    std::unique_ptr<Storage> storage;
    try {
        storage = std::make_unique<Storage>(options.database);
    } catch (const StorageError& error) {
        qCritical("appserver: cannot open the database: %s", qPrintable(error.message()));
        return 1;
    }
    qInfo("database %s, schema version %d", qPrintable(options.database.describe()),
          storage->schemaVersion());

    ServerRegistry registry;
    registry.add(std::make_shared<ImpPocketObject>(*storage));

    RpcServer server(registry, options.token);
    if (!server.listen(options.listen.host, options.listen.port)) {
        qCritical("appserver: cannot listen on %s: %s",
                  qPrintable(formatHostPort(options.listen.host, options.listen.port)),
                  qPrintable(server.errorString()));
        return 1;
    }
    const QString where = formatHostPort(server.address(), server.port());
    // Logged before the start line, so whoever waits for that line finds these in the log.
    if (server.address().isLoopback())
        qInfo("bound to the loopback address %s: only this machine can connect", qPrintable(where));
    else
        qWarning("bound to %s: other machines can connect%s", qPrintable(where),
                 options.token.isEmpty() ? " and no token is required" : "");
    qInfo("serving %s", qPrintable(registry.names().join(QStringLiteral(", "))));
    std::printf("appserver listening on %s\n", qPrintable(where));
    std::fflush(stdout);

    QObject::connect(&signalWatcher, &SignalWatcher::received, &server, [&server](int signalNumber) {
        qInfo("signal %d: shutting down", signalNumber);
        server.shutdown();
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    qInfo("stopped");
    return status;
}
