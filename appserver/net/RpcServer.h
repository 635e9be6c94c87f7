#pragma once

#include "appserver/net/ClientListener.h"
#include "appserver/net/ConnectionTurns.h"
#include "appserver/net/DoorLog.h"
#include "appserver/net/ServerLimits.h"
#include "appserver/net/TlsHandshakes.h"
#include "appserver/net/TokenGuesses.h"
#include "appserver/net/TurnAway.h"
#include "appserver/net/UnauthenticatedPeers.h"
#include "appserver/rpc/AccessToken.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QSslConfiguration>

#include <optional>

class QTcpSocket;
class RpcConnection;
class ServerRegistry;

// Accepts clients and gives each its own RpcConnection; all of them share one event loop. With a
// TLS configuration a client is served only once its handshake has finished. A client that has
// not finished its handshake or, when a token is required, not yet opened the server object is
// unauthenticated: it lives in a budget of its own (UnauthenticatedPeers) and must authenticate
// within limits.authTimeoutSeconds, so that such peers never take the places of the others; one
// the budget has no room for is told so (TurnAway), and what such peers do reaches the log only
// summed up (DoorLog). Past limits.maxConnections authenticated ones a new client gets an error and
// is closed; the others go on.
class RpcServer : public QObject {
    Q_OBJECT
public:
    RpcServer(const ServerRegistry& registry, AccessToken token, ServerLimits limits,
              std::optional<QSslConfiguration> tls = std::nullopt, QObject* parent = nullptr);
    ~RpcServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    // The process's limit on open descriptors, so that accepting stops short of it; -1: none.
    void setDescriptorLimit(long limit) { server_.setDescriptorLimit(limit); }
    QString errorString() const { return server_.errorString(); }
    QHostAddress address() const { return server_.serverAddress(); }
    quint16 port() const { return server_.serverPort(); }

    // Stops accepting and closes every connection.
    void shutdown();

private:
    void acceptPending();
    // Commits the writes that wait and sends the answers that wait for them.
    void finishWrites();
    void serve(QTcpSocket* socket);
    // Counts the socket in the unauthenticated budget until it authenticates or goes; false when
    // the budget turned it away (the socket is then told so and closed).
    bool holdUntilAuthenticated(QTcpSocket* socket);
    void release(QObject* socket);
    QDeadlineTimer authDeadlineOf(QTcpSocket* socket) const;

    ClientListener server_;
    DoorLog doorLog_;
    TlsHandshakes handshakes_;
    const ServerRegistry& registry_;
    const AccessToken token_;
    const ServerLimits limits_;
    ConnectionTurns turns_;
    int pendingAtRoundEnd_ = 0; // writes waiting for their commit when the last round ended
    UnauthenticatedPeers unauthenticated_;
    TokenGuesses guesses_;
    TurnAway turnAway_;
    QHash<QObject*, QDeadlineTimer> held_; // by socket, with its deadline to authenticate
    QSet<RpcConnection*> served_;
    QSet<RpcConnection*> opening_; // waiting for their token, counted in unauthenticated_
    QSet<RpcConnection*> refused_; // told "too many connections", closing
    int nextNumber_ = 1;
};
