#include "appserver/ClientListener.h"

#include <QSslSocket>

#include <unistd.h>

ClientListener::ClientListener(std::optional<QSslConfiguration> tls, QObject* parent)
    : QTcpServer(parent), tls_(std::move(tls)) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryAcceptMs);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (isListening())
            resumeAccepting();
    });
    connect(this, &QTcpServer::acceptError, this, &ClientListener::onAcceptError);
}

// Qt has paused accepting already; the waiting clients stay in the backlog meanwhile.
void ClientListener::onAcceptError(QAbstractSocket::SocketError error) {
    if (!paused_) {
        paused_ = true;
        const QString why = error == QAbstractSocket::SocketResourceError
                                ? QStringLiteral("out of file descriptors or memory")
                                : errorString();
        qWarning("cannot accept connections: %s; trying again every %d ms until it works", qPrintable(why),
                 kRetryAcceptMs);
    }
    retry_.start();
}

void ClientListener::incomingConnection(qintptr descriptor) {
    if (paused_) {
        paused_ = false;
        qInfo("accepting connections again");
    }
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
