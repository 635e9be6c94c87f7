#include "appserver/net/ConnectionTurns.h"

#include <algorithm>

ConnectionTurns::ConnectionTurns(QObject* parent) : QObject(parent) {
    nextRound_.setSingleShot(true);
    nextRound_.setInterval(0);
    connect(&nextRound_, &QTimer::timeout, this, &ConnectionTurns::runRound);
}

void ConnectionTurns::request(TurnTaker* connection) {
    if (isWaiting(connection))
        return;
    if (serving_ || !waiting_.empty()) {
        waiting_.push_back(connection);
    } else {
        giveTurn(connection);
    }
    if (!serving_ && !waiting_.empty())
        nextRound_.start();
}

void ConnectionTurns::withdraw(TurnTaker* connection) {
    waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), connection), waiting_.end());
}

bool ConnectionTurns::isWaiting(const TurnTaker* connection) const {
    return std::find(waiting_.begin(), waiting_.end(), connection) != waiting_.end();
}

void ConnectionTurns::giveTurn(TurnTaker* connection) {
    serving_ = true;
    const bool wantsMore = connection->takeTurn(kLinesPerTurn);
    if (wantsMore && !isWaiting(connection))
        waiting_.push_back(connection);
    if (afterTurn_)
        afterTurn_(!waiting_.empty(), false);
    serving_ = false;
}

void ConnectionTurns::runRound() {
    // Those waiting now get one turn each; whoever asks meanwhile waits for the next round, after
    // the event loop has looked at every socket again.
    for (auto remaining = waiting_.size(); remaining > 0 && !waiting_.empty(); --remaining) {
        TurnTaker* next = waiting_.front();
        waiting_.pop_front();
        giveTurn(next);
    }
    // At a round's end the group is committed unless the round added to it and more turns follow
    // (see RpcServer): a connection that never stops sending, a flooder's, holds the others'
    // answers back for no longer than a round that adds nothing or a full group.
    if (afterTurn_)
        afterTurn_(!waiting_.empty(), true);
    if (!waiting_.empty())
        nextRound_.start();
}
