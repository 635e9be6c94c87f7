#include "appserver/net/RpcServer.h"

#include "appserver/net/RpcConnection.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/RpcError.h"
#include "appserver/rpc/ServerRegistry.h"

#include <QJsonValue>
#include <QSslSocket>
#include <QTcpSocket>

namespace {
const QString kTurnedAwayMessage = QStringLiteral(
    "the server is turning connections away: too many are still to authenticate from this address or in "
    "all; try again shortly");
}

RpcServer::RpcServer(const ServerRegistry& registry, AccessToken token, ServerLimits limits,
                     std::optional<QSslConfiguration> tls, QObject* parent)
    : QObject(parent), server_(std::move(tls)), handshakes_(limits.tlsHandshakeTimeoutMs(), doorLog_),
      registry_(registry), token_(std::move(token)), limits_(limits),
      unauthenticated_(limits.maxUnauthenticated(), ServerLimits::kMaxUnauthenticatedPerAddress),
      guesses_(doorLog_) {
    connect(&server_, &QTcpServer::newConnection, this, &RpcServer::acceptPending);
    // Writes that arrive together share a commit: while others wait for a turn their writes are
    // likely to join, until the objects call the group full.
    // A round that added none ends the group too: the connections still sending add nothing to it
    // (a flooder's), and those that would are waiting for their answers.
    turns_.setAfterTurn([this](bool othersWaiting, bool roundOver) {
        const int pending = registry_.pendingWrites();
        const bool stalled = roundOver && pending == pendingAtRoundEnd_;
        if (roundOver)
            pendingAtRoundEnd_ = pending;
        if (pending > 0 && (!othersWaiting || stalled || registry_.writesFull()))
            finishWrites();
    });
    connect(&handshakes_, &TlsHandshakes::secured, this, &RpcServer::serve);
}

RpcServer::~RpcServer() {
    // The budget goes before the sockets that would give their places back to it.
    for (auto it = held_.cbegin(); it != held_.cend(); ++it)
        disconnect(it.key(), &QObject::destroyed, this, &RpcServer::release);
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
            if (!token_.isRequired() || holdUntilAuthenticated(socket))
                serve(socket);
            continue;
        }
        if (holdUntilAuthenticated(socket))
            handshakes_.start(static_cast<QSslSocket*>(socket));
    }
}

bool RpcServer::holdUntilAuthenticated(QTcpSocket* socket) {
    const QHostAddress address = socket->peerAddress();
    const UnauthenticatedPeers::Admission admission = unauthenticated_.admit(socket, address);
    if (!admission.admitted) {
        doorLog_.note(DoorLog::Event::TurnedAway, address,
                      tr("turned away a connection from %1: %2 connections are still to authenticate (at "
                         "most %3, %4 from one address)")
                          .arg(address.toString(), QString::number(unauthenticated_.count()),
                               QString::number(limits_.maxUnauthenticated()),
                               QString::number(ServerLimits::kMaxUnauthenticatedPerAddress)));
        turnAway_.tell(socket, RpcDispatcher::errorLine(QJsonValue::Null, RpcCode::TooManyConnections,
                                                        kTurnedAwayMessage));
        return false;
    }
    if (admission.displaced) {
        doorLog_.note(DoorLog::Event::Displaced, admission.displacedFrom,
                      tr("closed a connection still to authenticate from %1 to make room for one from %2")
                          .arg(admission.displacedFrom.toString(), address.toString()));
        held_.remove(admission.displaced);
        // Its end, whoever owns it, comes through its disconnect, as for any closed client.
        static_cast<QTcpSocket*>(admission.displaced)->abort();
    }
    held_.insert(socket, QDeadlineTimer(limits_.authTimeoutSeconds * 1000));
    // Whoever owns the socket by then, its end gives its place back.
    connect(socket, &QObject::destroyed, this, &RpcServer::release);
    return true;
}

void RpcServer::release(QObject* socket) {
    const auto found = held_.constFind(socket);
    if (found == held_.cend())
        return;
    unauthenticated_.leave(socket);
    held_.erase(found);
}

QDeadlineTimer RpcServer::authDeadlineOf(QTcpSocket* socket) const {
    return held_.value(socket, QDeadlineTimer(QDeadlineTimer::Forever));
}

void RpcServer::serve(QTcpSocket* socket) {
    const bool needsToken = token_.isRequired();
    if (!needsToken)
        release(socket); // its handshake was all it had to pass
    // A flood of connections: telling each why would pile up sockets without bound.
    if (served_.size() >= limits_.maxConnections && refused_.size() >= limits_.maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto* connection = new RpcConnection(socket, registry_, token_, limits_, nextNumber_++, turns_, guesses_,
                                         doorLog_, authDeadlineOf(socket), this);
    connect(connection, &RpcConnection::finished, this, [this](RpcConnection* finished) {
        served_.remove(finished);
        opening_.remove(finished);
        refused_.remove(finished);
        finished->deleteLater();
    });
    // Accepted rather than left waiting in the backlog, so the client learns why at once.
    if (served_.size() >= limits_.maxConnections) {
        qWarning("%s",
                 qUtf8Printable(
                     tr("refused a connection: %1 are open, the most allowed").arg(limits_.maxConnections)));
        refused_.insert(connection);
        connection->refuse(RpcCode::TooManyConnections, QStringLiteral("too many connections"));
        return;
    }
    if (!needsToken) {
        served_.insert(connection);
        return;
    }
    opening_.insert(connection);
    connect(connection, &RpcConnection::authenticated, this, [this, socket](RpcConnection* opened) {
        release(socket);
        if (opening_.remove(opened))
            served_.insert(opened);
    });
}

void RpcServer::finishWrites() {
    const ServerObject::WritesOutcome outcome = registry_.finishWrites();
    if (outcome.lost)
        qWarning("%s", qUtf8Printable(tr("the writes of the requests answered last were lost: %1")
                                          .arg(outcome.lost->simplified())));
    for (const QString& failure : outcome.failedCalls)
        qWarning("%s",
                 qUtf8Printable(tr("a request's writes failed in the database and its answer tells so: %1")
                                    .arg(failure.simplified())));
    for (RpcConnection* connection : findChildren<RpcConnection*>(Qt::FindDirectChildrenOnly))
        connection->releaseAnswers(outcome);
}

void RpcServer::shutdown() {
    // What was applied is kept and answered before the connections close.
    finishWrites();
    server_.close();
    handshakes_.abortAll();
    const QSet<RpcConnection*> open = served_ + opening_ + refused_;
    for (RpcConnection* connection : open)
        connection->close();
}
