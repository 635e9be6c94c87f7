#include "appserver/ClientListener.h"

#include <QSslSocket>

#include <unistd.h>

ClientListener::ClientListener(std::optional<QSslConfiguration> tls, QObject* parent)
    : QTcpServer(parent), tls_(std::move(tls)) {}

void ClientListener::incomingConnection(qintptr descriptor) {
    if (!tls_) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        qWarning("cannot take an accepted connection: %s", qPrintable(socket->errorString()));
        delete socket;
        ::close(static_cast<int>(descriptor)); // still ours: no socket took it
        return;
    }
    socket->setSslConfiguration(*tls_);
    addPendingConnection(socket);
}
