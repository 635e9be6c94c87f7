#include "appserver/net/TurnAway.h"

#include "appserver/net/ServerLimits.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

TurnAway::~TurnAway() {
    // The sockets, children of this, go with it; they must not count down a gone counter.
    for (QObject* child : children())
        child->disconnect(this);
}

void TurnAway::tell(QTcpSocket* socket, const QByteArray& line) {
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    if (telling_ >= kMaxTelling) {
        drop();
        return;
    }
    ++telling_;
    socket->setParent(this);
    socket->setReadBufferSize(ServerLimits::kUnauthenticatedLineBytes);
    connect(socket, &QObject::destroyed, this, [this] { --telling_; });
    // What the client sends meanwhile is dropped: closing with it unread would reset the
    // connection before the client has the line.
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->skip(socket->bytesAvailable()); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::errorOccurred, socket, drop);
    QTimer::singleShot(kDeadlineMs, socket, drop);
    const auto say = [socket, line] {
        socket->write(line);
        socket->disconnectFromHost();
    };
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        connect(tls, &QSslSocket::encrypted, tls, say);
        tls->startServerEncryption();
    } else {
        say();
    }
}
