#include "appserver/net/ClientListener.h"

#include "appserver/net/ServerLimits.h"

#include <QSslSocket>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

ClientListener::ClientListener(std::optional<QSslConfiguration> tls, QObject* parent)
    : QTcpServer(parent), tls_(std::move(tls)) {
    setMaxPendingConnections(kPendingConnections);
    // Under a flood of connections a short queue in the kernel drops the honest client's SYN too,
    // which costs it a second or more before it tries again.
    setListenBacklogSize(kListenBacklog);
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryAcceptMs);
    connect(&retry_, &QTimer::timeout, this, &ClientListener::retry);
    // Qt has paused accepting already; the waiting clients stay in the backlog meanwhile.
    connect(this, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError error) {
        pause(error == QAbstractSocket::SocketResourceError ? tr("out of file descriptors or memory")
                                                            : errorString());
    });
}

long ClientListener::reserved() const {
    // A small limit keeps most of its descriptors for clients.
    return std::min<long>(kReservedDescriptors, descriptorLimit_ / 4);
}

void ClientListener::pause(const QString& why) {
    // Pausing alone leaves Qt's accept loop running until the backlog is empty; with no room for
    // pending connections it stops at once.
    setMaxPendingConnections(0);
    pauseAccepting();
    if (!paused_) {
        paused_ = true;
        qWarning("%s",
                 qUtf8Printable(tr("cannot accept connections: %1; trying again every %2 ms until it works")
                                    .arg(why, QString::number(kRetryAcceptMs))));
    }
    retry_.start();
}

void ClientListener::retry() {
    if (!isListening())
        return;
    if (descriptorLimit_ >= 0) {
        // Descriptors are numbered from the lowest free one: the next accept would get this one.
        // Half the reserve free again before accepting, so that a server at its limit does not
        // pause and resume at every descriptor freed.
        const int next = ::fcntl(int(socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        if (next >= 0)
            ::close(next);
        if (next < 0 || next + reserved() + std::max<long>(1, reserved() / 2) >= descriptorLimit_) {
            retry_.start();
            return;
        }
    }
    setMaxPendingConnections(kPendingConnections);
    resumeAccepting();
}

void ClientListener::incomingConnection(qintptr descriptor) {
    if (paused_) {
        paused_ = false;
        qInfo("%s", qUtf8Printable(tr("accepting connections again")));
    }
    take(descriptor);
    // Every descriptor below this one is in use: the reserve is what is left above it.
    if (descriptorLimit_ >= 0 && descriptor + reserved() >= descriptorLimit_)
        pause(tr("%1 of %2 file descriptors in use, the rest kept for the database and the log")
                  .arg(descriptor + 1)
                  .arg(descriptorLimit_));
}

void ClientListener::take(qintptr descriptor) {
    if (!tls_) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        qWarning("%s",
                 qUtf8Printable(tr("cannot take an accepted connection: %1").arg(socket->errorString())));
        delete socket;
        ::close(static_cast<int>(descriptor)); // still ours: no socket took it
        return;
    }
    socket->setSslConfiguration(*tls_);
    // Until it has authenticated a client holds no more than a few KiB here, whatever it sends;
    // its connection lifts this once it has.
    socket->setReadBufferSize(ServerLimits::kUnauthenticatedLineBytes);
    addPendingConnection(socket);
}
