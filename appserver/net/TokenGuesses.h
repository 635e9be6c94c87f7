#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

// Refused tokens per peer address, so that guessing costs the guesser time and no one else: from
// the kFreeRefusals-th refusal from one address on, each request its unopened connections send
// waits, kFirstWaitMs and twice as long after each further refusal, up to kMaxWaitMs.
// That keeps one address to a few guesses a second at first, fewer and fewer after. A right token
// from the address, or kForgetMs without a refusal, forgives it. The log gets the first refusal of
// an address and a summary per address at most every kSummaryMs, not a line per guess.
class TokenGuesses : public QObject {
    Q_OBJECT
public:
    static constexpr int kFreeRefusals = 3;
    static constexpr int kFirstWaitMs = 250;
    static constexpr int kMaxWaitMs = 60 * 1000;
    static constexpr int kForgetMs = 10 * 60 * 1000;
    static constexpr int kSummaryMs = 60 * 1000;

    explicit TokenGuesses(QObject* parent = nullptr);

    // How long a request from address must wait before it is handled; 0: not at all.
    int waitMs(const QHostAddress& address) const;
    void refused(const QHostAddress& address, int connectionNumber);
    void accepted(const QHostAddress& address);

private:
    struct Guesser {
        int refusals = 0;
        int sinceSummary = 0;
        QDeadlineTimer nextGuess;
        QDeadlineTimer forgotten;
    };
    void logSummaries();

    QHash<QHostAddress, Guesser> guessers_;
    QTimer summary_;
};
