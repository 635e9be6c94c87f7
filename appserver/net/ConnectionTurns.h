#pragma once

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <utility>

// What waits for a turn: a client connection.
class TurnTaker {
public:
    // Does at most maxLines lines of work. True when it stopped at that limit, so there may be
    // more to do at once; false when it waits for something else to ask for its next turn.
    virtual bool takeTurn(int maxLines) = 0;

protected:
    ~TurnTaker() = default;
};

// The connections that have lines to handle wait here for a turn on the server's single thread.
// A turn handles a few lines of one connection; turns go round in the order they were asked for,
// and the event loop runs between rounds, so a request that has just arrived on a quiet connection
// waits for at most one turn of each busy one, however fast they send.
class ConnectionTurns : public QObject {
public:
    // Lines one turn handles at most: requests and faulty lines count alike.
    static constexpr int kLinesPerTurn = 8;

    explicit ConnectionTurns(QObject* parent = nullptr);

    // The connection has something to do. With no one else waiting and no turn in progress, it is
    // served at once, which spares a lone client a round of the event loop; otherwise it joins the
    // end of the line (once, however often it asks).
    void request(TurnTaker* connection);
    // The connection is going away; it leaves the line.
    void withdraw(TurnTaker* connection);
    // Called after every turn, told whether a connection is waiting for the next, and at the end
    // of every round (roundOver): the server commits the writes of the turns so far there.
    void setAfterTurn(std::function<void(bool othersWaiting, bool roundOver)> afterTurn) {
        afterTurn_ = std::move(afterTurn);
    }

private:
    // One turn; a connection with more to do joins the end of the line.
    void giveTurn(TurnTaker* connection);
    void runRound();
    bool isWaiting(const TurnTaker* connection) const;

    std::deque<TurnTaker*> waiting_;
    bool serving_ = false;
    QTimer nextRound_;
    std::function<void(bool, bool)> afterTurn_;
};
