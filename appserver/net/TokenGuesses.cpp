#include "appserver/net/TokenGuesses.h"

#include <algorithm>

TokenGuesses::TokenGuesses(QObject* parent) : QObject(parent) {
    summary_.setInterval(kSummaryMs);
    connect(&summary_, &QTimer::timeout, this, &TokenGuesses::logSummaries);
}

int TokenGuesses::waitMs(const QHostAddress& address) const {
    const auto found = guessers_.constFind(address);
    if (found == guessers_.cend() || found->forgotten.hasExpired())
        return 0;
    return int(found->nextGuess.remainingTime());
}

void TokenGuesses::refused(const QHostAddress& address, int connectionNumber) {
    Guesser& guesser = guessers_[address];
    if (guesser.forgotten.hasExpired())
        guesser = Guesser();
    ++guesser.refusals;
    guesser.forgotten.setRemainingTime(kForgetMs);
    if (guesser.refusals >= kFreeRefusals) {
        const int doublings = std::min(guesser.refusals - kFreeRefusals, 16);
        guesser.nextGuess.setRemainingTime(std::min<qint64>(qint64(kFirstWaitMs) << doublings, kMaxWaitMs));
    }
    if (guesser.refusals == 1) {
        qWarning("%s", qUtf8Printable(tr("connection %1: refused: missing or wrong token, from %2")
                                          .arg(QString::number(connectionNumber), address.toString())));
    } else if (guesser.refusals == kFreeRefusals) {
        qWarning("%s",
                 qUtf8Printable(tr("%1: %2 refused tokens; its requests before rpc.open now wait, longer "
                                   "after each refusal, and further refusals are summed up every %3 s")
                                    .arg(address.toString(), QString::number(kFreeRefusals),
                                         QString::number(kSummaryMs / 1000))));
    } else if (guesser.refusals > kFreeRefusals) {
        ++guesser.sinceSummary;
    }
    if (!summary_.isActive())
        summary_.start();
}

void TokenGuesses::accepted(const QHostAddress& address) {
    guessers_.remove(address);
}

void TokenGuesses::logSummaries() {
    for (auto it = guessers_.begin(); it != guessers_.end();) {
        Guesser& guesser = it.value();
        if (guesser.sinceSummary > 0) {
            qWarning("%s",
                     qUtf8Printable(
                         tr("%1: %2 more refused tokens in the last %3 s, %4 in all; its next "
                            "request waits %5 ms")
                             .arg(it.key().toString(), QString::number(guesser.sinceSummary),
                                  QString::number(kSummaryMs / 1000), QString::number(guesser.refusals),
                                  QString::number(std::max<qint64>(guesser.nextGuess.remainingTime(), 0)))));
            guesser.sinceSummary = 0;
        }
        if (guesser.forgotten.hasExpired())
            it = guessers_.erase(it);
        else
            ++it;
    }
    if (guessers_.isEmpty())
        summary_.stop();
}
