#include "appserver/net/SocketNames.h"

#include <QSslSocket>

QString peerName(const QAbstractSocket& socket) {
    return QStringLiteral("%1:%2").arg(socket.peerAddress().toString()).arg(socket.peerPort());
}

QString tlsProtocolName(const QSslSocket& socket) {
    switch (socket.sessionProtocol()) {
    case QSsl::TlsV1_2:
        return QStringLiteral("TLS 1.2");
    case QSsl::TlsV1_3:
        return QStringLiteral("TLS 1.3");
    default:
        return QStringLiteral("TLS");
    }
}
