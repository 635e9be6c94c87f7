#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class RpcConnection;
class ServerRegistry;

// Accepts clients and gives each its own RpcConnection; all of them share one event loop.
class RpcServer : public QObject {
    Q_OBJECT
public:
    // token empty: clients need none.
    RpcServer(const ServerRegistry& registry, QString token, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    QHostAddress address() const { return server_.serverAddress(); }
    quint16 port() const { return server_.serverPort(); }

    // Stops accepting and closes every connection.
    void shutdown();

private:
    void acceptPending();

    QTcpServer server_;
    const ServerRegistry& registry_;
    QString token_;
    QSet<RpcConnection*> connections_;
    int nextNumber_ = 1;
};
