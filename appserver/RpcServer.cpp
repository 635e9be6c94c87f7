#include "appserver/RpcServer.h"

#include "appserver/RpcConnection.h"
#include "appserver/RpcError.h"

#include <QTcpSocket>

RpcServer::RpcServer(const ServerRegistry& registry, AccessToken token, ServerLimits limits, QObject* parent)
    : QObject(parent), registry_(registry), token_(std::move(token)), limits_(limits) {
    connect(&server_, &QTcpServer::newConnection, this, &RpcServer::acceptPending);
}

RpcServer::~RpcServer() {
    // The connections leave the turns before the turns go.
    qDeleteAll(findChildren<RpcConnection*>(Qt::FindDirectChildrenOnly));
}

bool RpcServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

void RpcServer::acceptPending() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        // A flood of connections: telling each why would pile up sockets without bound.
        if (served_.size() >= limits_.maxConnections && refused_.size() >= limits_.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
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
            continue;
        }
        served_.insert(connection);
    }
}

void RpcServer::shutdown() {
    server_.close();
    const QSet<RpcConnection*> open = served_ + refused_;
    for (RpcConnection* connection : open)
        connection->close();
}
