#include "appserver/net/TokenGuesses.h"

#include "appserver/net/DoorLog.h"
#include "appserver/net/PeerKey.h"

#include <algorithm>

namespace {
constexpr qint64 kMsPerRefusal = 1000 / TokenGuesses::kRefusalsPerSecond;
}

TokenGuesses::TokenGuesses(DoorLog& log) : log_(log) {
    clock_.start();
}

int TokenGuesses::waitMs(const QHostAddress& address) const {
    const auto found = guessers_.constFind(peerKey(address));
    if (found == guessers_.cend() || found->forgotten.hasExpired())
        return 0;
    return int(found->nextGuess.remainingTime());
}

int TokenGuesses::refused(const QHostAddress& address, int connectionNumber) {
    countAgainst(peerKey(address));
    log_.note(DoorLog::Event::TokenRefused, address,
              DoorLog::tr("connection %1: refused: missing or wrong token, from %2")
                  .arg(QString::number(connectionNumber), address.toString()));
    return paceMs();
}

void TokenGuesses::countAgainst(const QHostAddress& key) {
    auto found = guessers_.find(key);
    if (found == guessers_.end()) {
        if (guessers_.size() >= kMaxGuessers)
            guessers_.removeIf([](const auto& it) { return it.value().forgotten.hasExpired(); });
        if (guessers_.size() >= kMaxGuessers)
            return;
        found = guessers_.insert(key, Guesser());
    }
    Guesser& guesser = *found;
    if (guesser.forgotten.hasExpired())
        guesser = Guesser();
    ++guesser.refusals;
    guesser.forgotten.setRemainingTime(kForgetMs);
    if (guesser.refusals >= kFreeRefusals) {
        const int doublings = std::min(guesser.refusals - kFreeRefusals, 16);
        guesser.nextGuess.setRemainingTime(std::min<qint64>(qint64(kFirstWaitMs) << doublings, kMaxWaitMs));
    }
}

int TokenGuesses::paceMs() {
    const qint64 now = clock_.elapsed();
    const qint64 due = std::max(budgetMs_ + kMsPerRefusal, now);
    const qint64 wait = due - now;
    if (wait > kMaxPaceMs)
        return -1; // not answered, so the budget is not spent
    budgetMs_ = due;
    return int(wait);
}

void TokenGuesses::accepted(const QHostAddress& address) {
    guessers_.remove(peerKey(address));
}
