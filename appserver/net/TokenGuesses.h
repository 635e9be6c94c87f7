#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>

class DoorLog;

// Refused tokens, so that guessing costs the guesser time and no one else.
//
// Per peer (see peerKey): from the kFreeRefusals-th refusal on, each request its unopened
// connections send waits, kFirstWaitMs and twice as long after each further refusal, up to
// kMaxWaitMs. A right token from the peer, or kForgetMs without a refusal, forgives it.
//
// In all: at most kRefusalsPerSecond refusals are answered a second, whatever the number of
// addresses they come from. A refusal beyond that budget is answered later, its connection reading
// nothing meanwhile; one that would wait more than kMaxPaceMs is not answered at all, and its
// connection is closed. A right token is never held back, so an honest client gets in at once
// while guessers wait for their refusals.
//
// The log gets the first refusal and then summaries (see DoorLog), never a line per guess.
class TokenGuesses {
public:
    static constexpr int kFreeRefusals = 3;
    static constexpr int kFirstWaitMs = 250;
    static constexpr int kMaxWaitMs = 60 * 1000;
    static constexpr int kForgetMs = 10 * 60 * 1000;
    static constexpr int kRefusalsPerSecond = 100;
    static constexpr int kMaxPaceMs = 5000;
    // Peers remembered; a guesser spread over more addresses than this meets the budget in all.
    static constexpr int kMaxGuessers = 4096;

    explicit TokenGuesses(DoorLog& log);

    // How long a request from address must wait before it is handled; 0: not at all.
    int waitMs(const QHostAddress& address) const;
    // Counts a refusal: how long its answer must wait, or -1 when it is not to be answered.
    int refused(const QHostAddress& address, int connectionNumber);
    void accepted(const QHostAddress& address);

private:
    struct Guesser {
        int refusals = 0;
        QDeadlineTimer nextGuess;
        QDeadlineTimer forgotten;
    };
    void countAgainst(const QHostAddress& key);
    int paceMs();

    DoorLog& log_;
    QHash<QHostAddress, Guesser> guessers_;
    QElapsedTimer clock_;
    // When the last refusal was answered, or is due to be: the next comes 1000 /
    // kRefusalsPerSecond ms later at the soonest.
    qint64 budgetMs_ = -1000 * 1000;
};
