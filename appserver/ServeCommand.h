#pragma once

#include "DatabaseLocation.h"
#include "ListenAddress.h"

#include <QString>

struct ServeOptions {
    ListenAddress listen;
    DatabaseLocation database;
    QString token; // empty: rpc.open needs none
};

// Serves until SIGTERM or SIGINT; the exit status. Prints "appserver listening on HOST:PORT" on
// stdout once listening; everything else goes to stderr. Needs the QCoreApplication.
int runServer(const ServeOptions& options);
