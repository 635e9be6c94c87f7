#include "appserver/RpcServer.h"

#include "appserver/RpcConnection.h"
#include "appserver/RpcError.h"

#include <QSslSocket>
#include <QTcpSocket>

RpcServer::RpcServer(const ServerRegistry& registry, AccessToken token, ServerLimits limits,
                     std::optional<QSslConfiguration> tls, QObject* parent)
    : QObject(parent), server_(std::move(tls)), handshakes_(limits.tlsHandshakeTimeoutMs()),
      registry_(registry), token_(std::move(token)), limits_(limits) {
    connect(&server_, &QTcpServer::newConnection, this, &RpcServer::acceptPending);
    connect(&handshakes_, &TlsHandshakes::secured, this, &RpcServer::serve);
}

RpcServer::~RpcServer() {
    handshakes_.abortAll();
    // The connections leave the turns before the turns go.
    qDeleteAll(findChildren<RpcConnection*>(Qt::FindDirectChildrenOnly));
}

bool RpcServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

void RpcServer::acceptPending() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (!server_.usesTls()) {
            serve(socket);
            continue;
        }
        // Nothing can be told before a handshake; a flood of clients that never finish theirs is
        // held to as many at once as may be served, the rest closed at once.
        if (handshakes_.pending() >= limits_.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        handshakes_.start(static_cast<QSslSocket*>(socket));
    }
}

void RpcServer::serve(QTcpSocket* socket) {
    // A flood of connections: telling each why would pile up sockets without bound.
    if (served_.size() >= limits_.maxConnections && refused_.size() >= limits_.maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto* connection = new RpcConnection(socket, registry_, token_, limits_, nextNumber_++, turns_, this);
    connect(connection, &RpcConnection::finished, this, [this](RpcConnection* finished) {
        served_.remove(finished);
        refused_.remove(finished);
        finished->deleteLater();
    });
    // Accepted rather than left waiting in the backlog, so the client learns why at once.
    if (served_.size() >= limits_.maxConnections) {
        qWarning("refused a connection: %d are open, the most allowed", limits_.maxConnections);
        refused_.insert(connection);
        connection->refuse(RpcCode::TooManyConnections, QStringLiteral("too many connections"));
        return;
    }
    served_.insert(connection);
}

void RpcServer::shutdown() {
    server_.close();
    handshakes_.abortAll();
    const QSet<RpcConnection*> open = served_ + refused_;
    for (RpcConnection* connection : open)
        connection->close();
}
