#pragma once

#include "appserver/net/ListenAddress.h"
#include "appserver/net/ServerLimits.h"
#include "appserver/storage/DatabaseLocation.h"

#include <QString>

#include <optional>

struct ServeOptions {
    ListenAddress listen;
    std::optional<DatabaseLocation> database; // --database; nothing: defaultDatabaseLocation()
    ServerLimits limits;
    QString tokenFile;                       // --token-file; empty: none given
    std::optional<QString> environmentToken; // APPSERVER_TOKEN when set
    QString tlsCertificateFile;              // --tls-cert; empty: plain TCP (then tlsKeyFile is empty too)
    QString tlsKeyFile;                      // --tls-key
};

// Serves until SIGTERM or SIGINT; the exit status. Prints "appserver listening on HOST:PORT" on
// stdout once listening; everything else goes to stderr. Needs the QCoreApplication.
int runServer(const ServeOptions& options);
