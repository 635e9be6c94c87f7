#include "tests/reliability/CuttingProxy.h"

CuttingProxy::CuttingProxy(quint16 serverPort) : serverPort_(serverPort) {
    listener_.listen(QHostAddress::LocalHost, 0);
    connect(&listener_, &QTcpServer::newConnection, this, &CuttingProxy::accept);
}

void CuttingProxy::accept() {
    while (QTcpSocket* client = listener_.nextPendingConnection()) {
        auto* upstream = new QTcpSocket(this);
        client->setParent(this);
        upstream->connectToHost(QHostAddress::LocalHost, serverPort_);
        connect(client, &QTcpSocket::readyRead, upstream,
                [this, client, upstream] { relayRequests(client, upstream); });
        connect(upstream, &QTcpSocket::readyRead, client,
                [client, upstream] { client->write(upstream->readAll()); });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
        connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        pairs_.append(qMakePair(QPointer<QTcpSocket>(client), QPointer<QTcpSocket>(upstream)));
    }
}

void CuttingProxy::cutAll() {
    for (auto& [client, upstream] : pairs_) {
        if (client)
            client->abort();
        if (upstream)
            upstream->abort();
    }
    pairs_.clear();
    ++cuts_;
}

void CuttingProxy::cutAfterRequests(int count) {
    requestsBeforeCut_ = count;
}

void CuttingProxy::relayRequests(QTcpSocket* client, QTcpSocket* upstream) {
    const QByteArray bytes = client->readAll();
    upstream->write(bytes);
    if (requestsBeforeCut_ < 0)
        return;
    requestsBeforeCut_ -= static_cast<int>(bytes.count('\n'));
    if (requestsBeforeCut_ <= 0) {
        requestsBeforeCut_ = -1;
        // While its client waits for the answer; whether the request itself still reaches the
        // server is left to the network, as in a real failure.
        upstream->flush();
        cutAll();
    }
}
