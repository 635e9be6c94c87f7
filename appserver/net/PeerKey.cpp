#include "appserver/net/PeerKey.h"

QHostAddress peerKey(const QHostAddress& address) {
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        return QHostAddress(ipv4);
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return address;
    Q_IPV6ADDR prefix = address.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        prefix[i] = 0;
    return QHostAddress(prefix); // without the scope, which names an interface, not a peer
}

QString peerKeyName(const QHostAddress& key) {
    if (key.protocol() == QAbstractSocket::IPv6Protocol)
        return key.toString() + QStringLiteral("/64");
    return key.toString();
}
