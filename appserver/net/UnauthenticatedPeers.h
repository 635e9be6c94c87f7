#pragma once

#include <QHash>
#include <QHostAddress>

#include <deque>

class QObject;

// The budget of connections that have not yet proved themselves: still in their TLS handshake,
// or, when a token is required, not yet past rpc.open. It is counted apart from the served
// connections, in all and per peer (see peerKey), so that peers that connect and say nothing can
// never take the places of clients that presented the token.
//
// When the budget is full, a newcomer takes the place of the oldest connection of the peer holding
// the most, as long as that peer holds at least two more than the newcomer's own, or the newcomer's
// holds none: peers that hold many places, from one address or spread over many, give them up to
// those that hold few, so an honest client arriving beside them always gets in and has the time of
// the oldest connections to authenticate, while peers holding about as many do not take places
// from each other back and forth. Otherwise, or when its own peer already holds maxPerAddress, a
// newcomer is turned away.
class UnauthenticatedPeers {
public:
    UnauthenticatedPeers(int maxInAll, int maxPerAddress);

    struct Admission {
        bool admitted = false;
        QObject* displaced = nullptr; // the connection whose place the newcomer took; close it
        QHostAddress displacedFrom;
    };
    // Counts connection, from address, in the budget.
    Admission admit(QObject* connection, const QHostAddress& address);
    // A connection admitted has authenticated or closed; nothing when it is not counted.
    void leave(QObject* connection);

    int count() const { return inAll_; }

private:
    struct Held {
        QObject* connection;
        quint64 arrival;
    };
    // The peer holding the most, the one whose oldest connection came first among equals; null
    // when the budget is empty.
    QHash<QHostAddress, std::deque<Held>>::iterator busiest();

    const int maxInAll_;
    const int maxPerAddress_;
    int inAll_ = 0;
    quint64 arrivals_ = 0;
    QHash<QHostAddress, std::deque<Held>> perPeer_; // oldest first
    QHash<QObject*, QHostAddress> peerOf_;
};
