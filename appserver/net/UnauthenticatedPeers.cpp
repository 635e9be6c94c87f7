#include "appserver/net/UnauthenticatedPeers.h"

#include "appserver/net/PeerKey.h"

#include <algorithm>

UnauthenticatedPeers::UnauthenticatedPeers(int maxInAll, int maxPerAddress)
    : maxInAll_(maxInAll), maxPerAddress_(maxPerAddress) {}

UnauthenticatedPeers::Admission UnauthenticatedPeers::admit(QObject* connection,
                                                            const QHostAddress& address) {
    const QHostAddress key = peerKey(address);
    const auto own = perPeer_.constFind(key);
    const qsizetype held = own == perPeer_.cend() ? 0 : own->size();
    if (held >= maxPerAddress_)
        return {};
    Admission admission;
    admission.admitted = true;
    if (inAll_ >= maxInAll_) {
        // A linear look over the peers: at most maxInAll_ of them, and only when the budget is full.
        // Among peers holding nearly as many, a place taken would only be taken back by the
        // connection it closed, over and over; a peer holding none is always let in.
        const auto most = busiest();
        if (most == perPeer_.end() || qsizetype(most->size()) <= held + (held > 0 ? 1 : 0))
            return {};
        admission.displaced = most->front().connection;
        admission.displacedFrom = most.key();
        leave(admission.displaced);
    }
    perPeer_[key].push_back({connection, arrivals_++});
    peerOf_.insert(connection, key);
    ++inAll_;
    return admission;
}

void UnauthenticatedPeers::leave(QObject* connection) {
    const auto found = peerOf_.constFind(connection);
    if (found == peerOf_.cend())
        return;
    const auto peer = perPeer_.find(*found);
    peerOf_.erase(found);
    std::deque<Held>& held = *peer;
    held.erase(std::find_if(held.begin(), held.end(),
                            [connection](const Held& h) { return h.connection == connection; }));
    if (held.empty())
        perPeer_.erase(peer);
    --inAll_;
}

QHash<QHostAddress, std::deque<UnauthenticatedPeers::Held>>::iterator UnauthenticatedPeers::busiest() {
    auto most = perPeer_.end();
    for (auto it = perPeer_.begin(); it != perPeer_.end(); ++it) {
        if (most == perPeer_.end() || it->size() > most->size() ||
            (it->size() == most->size() && it->front().arrival < most->front().arrival))
            most = it;
    }
    return most;
}
