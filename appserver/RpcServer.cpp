#include "RpcServer.h"

#include "RpcConnection.h"

#include <QTcpSocket>

RpcServer::RpcServer(const ServerRegistry& registry, QString token, QObject* parent)
    : QObject(parent), registry_(registry), token_(std::move(token)) {
    connect(&server_, &QTcpServer::newConnection, this, &RpcServer::acceptPending);
}

bool RpcServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

void RpcServer::acceptPending() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* connection = new RpcConnection(socket, registry_, token_, nextNumber_++, this);
        connections_.insert(connection);
        connect(connection, &RpcConnection::finished, this, [this](RpcConnection* finished) {
            connections_.remove(finished);
            finished->deleteLater();
        });
    }
}

void RpcServer::shutdown() {
    server_.close();
    const QSet<RpcConnection*> open = connections_;
    for (RpcConnection* connection : open)
        connection->close();
}
