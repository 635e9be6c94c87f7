#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

// The budget of connections that have not yet proved themselves: still in their TLS handshake,
// or, when a token is required, not yet past rpc.open. It is counted apart from the served
// connections, in all and per peer address, so that peers that connect and say nothing, or only
// blank lines, can never take the places of clients that presented the token. Peers turned away
// are told to the log in a summary at most every kSummaryMs, not one line each.
class UnauthenticatedPeers : public QObject {
    Q_OBJECT
public:
    static constexpr int kSummaryMs = 10000;

    UnauthenticatedPeers(int maxInAll, int maxPerAddress, QObject* parent = nullptr);

    // Counts one more connection from address; false, and counted as turned away, when the
    // budget has no room for it.
    bool admit(const QHostAddress& address);
    // A connection admitted from address has authenticated or closed.
    void leave(const QHostAddress& address);

    int count() const { return inAll_; }

private:
    void turnAway(const QHostAddress& address);
    void logTurnedAway();

    const int maxInAll_;
    const int maxPerAddress_;
    int inAll_ = 0;
    QHash<QHostAddress, int> perAddress_;
    QHash<QHostAddress, int> turnedAway_; // since the last summary
    QTimer summary_;
};
