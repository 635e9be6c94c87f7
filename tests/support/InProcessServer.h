#pragma once

#include "tests/support/database/TestDatabase.h"

#include "appserver/rpc/ServerRegistry.h"
#include "appserver/storage/Storage.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>

#include <memory>
#include <optional>
#include <vector>

class RpcDispatcher;
class TNetConnection;

// The application server inside the test's process: its request handling over a SQLite database
// of its own, reached through a connection's transport instead of a socket. Everything the module
// sends is a real request line and everything it reads a real answer line; only the socket is
// left out.
class InProcessServer {
public:
    InProcessServer();
    ~InProcessServer();
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    // Makes connection talk to this server, as a connection of its own.
    void Serve(TNetConnection& connection);
    // Makes connection's requests fail as a lost connection does, until served again.
    void Cut(TNetConnection& connection);

    Storage& storage() { return *storage_; }
    // Every translation row in stored order, keyed by field name as "appserver export" writes it.
    QList<QJsonObject> rows() const;
    std::optional<QDateTime> versionStamp() const;

private:
    TestDatabase database_{StorageKind::Sqlite};
    std::unique_ptr<Storage> storage_;
    ServerRegistry registry_;
    std::vector<std::unique_ptr<RpcDispatcher>> dispatchers_;
};
