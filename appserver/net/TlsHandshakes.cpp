#include "appserver/net/TlsHandshakes.h"

#include "appserver/net/DoorLog.h"
#include "appserver/net/SocketNames.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/RpcError.h"

#include <QJsonValue>
#include <QSslSocket>
#include <QTimer>

TlsHandshakes::TlsHandshakes(int deadlineMs, DoorLog& log, QObject* parent)
    : QObject(parent), deadlineMs_(deadlineMs), log_(log) {}

TlsHandshakes::~TlsHandshakes() {
    abortAll();
}

void TlsHandshakes::start(QSslSocket* socket) {
    socket->setParent(this);
    pending_.insert(socket, {peerName(*socket), socket->peerAddress()});

    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [this, socket] {
        if (pending_.contains(socket))
            fail(socket, tr("no handshake within %1 s").arg(deadlineMs_ / 1000.0));
        else
            socket->abort(); // told it speaks plain text, and it never took the answer
        socket->deleteLater();
    });
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onFirstBytes(socket); });
    connect(socket, &QSslSocket::encrypted, this, [this, socket, deadline] {
        delete deadline;
        socket->disconnect(this);
        pending_.remove(socket);
        socket->setParent(nullptr);
        emit secured(socket);
    });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, socket] { fail(socket, socket->errorString()); });
    // A client that goes away without an error to tell (it closed before sending anything).
    connect(socket, &QAbstractSocket::disconnected, this,
            [this, socket] { fail(socket, tr("the client closed the connection")); });

    deadline->start(deadlineMs_);
    // The client speaks first; what it says tells whether it speaks TLS at all.
    if (socket->bytesAvailable() > 0)
        onFirstBytes(socket);
}

void TlsHandshakes::onFirstBytes(QSslSocket* socket) {
    if (socket->mode() != QSslSocket::UnencryptedMode || !pending_.contains(socket))
        return;
    char first = 0;
    // Before encryption starts, a peek leaves the bytes to the handshake.
    if (socket->peek(&first, 1) != 1)
        return;
    if (first == kTlsHandshakeRecord)
        socket->startServerEncryption();
    else
        tellPlainClient(socket);
}

void TlsHandshakes::tellPlainClient(QSslSocket* socket) {
    const Client client = pending_.take(socket);
    log_.note(
        DoorLog::Event::HandshakeFailed, client.address,
        tr("TLS handshake with %1 failed: the client sent plain text, not TLS; telling it so and closing")
            .arg(client.name));
    socket->disconnect(this);
    // Its request, read so that closing does not reset the connection before the answer arrives.
    socket->readAll();
    socket->write(RpcDispatcher::errorLine(
        QJsonValue::Null, RpcCode::TlsRequired,
        QStringLiteral("this server takes TLS connections only: turn TLS on in the client")));
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    // The deadline timer is the socket's own child and still runs: it ends a client that never
    // takes the answer.
}

void TlsHandshakes::fail(QSslSocket* socket, const QString& why) {
    const auto found = pending_.constFind(socket);
    if (found == pending_.cend())
        return; // already told: an error is often followed by the disconnect it caused
    log_.note(DoorLog::Event::HandshakeFailed, found->address,
              tr("TLS handshake with %1 failed: %2; closing").arg(found->name, why));
    pending_.erase(found);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TlsHandshakes::abortAll() {
    const QList<QSslSocket*> sockets = pending_.keys();
    pending_.clear();
    for (QSslSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}
