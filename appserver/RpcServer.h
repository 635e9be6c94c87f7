#pragma once

#include "appserver/AccessToken.h"
#include "appserver/ClientListener.h"
#include "appserver/ConnectionTurns.h"
#include "appserver/ServerLimits.h"
#include "appserver/TlsHandshakes.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QSslConfiguration>

#include <optional>

class QTcpSocket;
class RpcConnection;
class ServerRegistry;

// Accepts clients and gives each its own RpcConnection; all of them share one event loop. Past
// limits.maxConnections a new client gets an error and is closed; the others go on. With a TLS
// configuration a client is served only once its handshake has finished.
class RpcServer : public QObject {
    Q_OBJECT
public:
    RpcServer(const ServerRegistry& registry, AccessToken token, ServerLimits limits,
              std::optional<QSslConfiguration> tls = std::nullopt, QObject* parent = nullptr);
    ~RpcServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    QHostAddress address() const { return server_.serverAddress(); }
    quint16 port() const { return server_.serverPort(); }

    // Stops accepting and closes every connection.
    void shutdown();

private:
    void acceptPending();
    void serve(QTcpSocket* socket);

    ClientListener server_;
    TlsHandshakes handshakes_;
    const ServerRegistry& registry_;
    const AccessToken token_;
    const ServerLimits limits_;
    ConnectionTurns turns_;
    QSet<RpcConnection*> served_;
    QSet<RpcConnection*> refused_; // told "too many connections", closing
    int nextNumber_ = 1;
};
