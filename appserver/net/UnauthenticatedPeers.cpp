#include "appserver/net/UnauthenticatedPeers.h"

#include <QStringList>

#include <algorithm>

UnauthenticatedPeers::UnauthenticatedPeers(int maxInAll, int maxPerAddress, QObject* parent)
    : QObject(parent), maxInAll_(maxInAll), maxPerAddress_(maxPerAddress) {
    summary_.setSingleShot(true);
    summary_.setInterval(kSummaryMs);
    connect(&summary_, &QTimer::timeout, this, &UnauthenticatedPeers::logTurnedAway);
}

bool UnauthenticatedPeers::admit(const QHostAddress& address) {
    int& fromAddress = perAddress_[address];
    if (inAll_ >= maxInAll_ || fromAddress >= maxPerAddress_) {
        if (fromAddress == 0)
            perAddress_.remove(address);
        turnAway(address);
        return false;
    }
    ++fromAddress;
    ++inAll_;
    return true;
}

void UnauthenticatedPeers::leave(const QHostAddress& address) {
    const auto found = perAddress_.find(address);
    if (found == perAddress_.end())
        return;
    --inAll_;
    if (--*found == 0)
        perAddress_.erase(found);
}

// The first refusal after a quiet spell is told at once; the ones after it wait for the summary.
void UnauthenticatedPeers::turnAway(const QHostAddress& address) {
    if (summary_.isActive()) {
        ++turnedAway_[address];
        return;
    }
    qWarning("%s",
             qUtf8Printable(tr("turned away a connection from %1: %2 connections are still to "
                               "authenticate (at most %3, %4 from one address); further ones are summed "
                               "up every %5 s")
                                .arg(address.toString(), QString::number(inAll_), QString::number(maxInAll_),
                                     QString::number(maxPerAddress_), QString::number(kSummaryMs / 1000))));
    summary_.start();
}

void UnauthenticatedPeers::logTurnedAway() {
    if (turnedAway_.isEmpty())
        return; // a quiet spell: the next refusal is told at once
    QList<std::pair<int, QHostAddress>> byCount;
    int total = 0;
    for (auto it = turnedAway_.cbegin(); it != turnedAway_.cend(); ++it) {
        byCount.append({it.value(), it.key()});
        total += it.value();
    }
    std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList most;
    for (qsizetype i = 0; i < std::min<qsizetype>(byCount.size(), 3); ++i)
        most.append(tr("%1 from %2").arg(QString::number(byCount[i].first), byCount[i].second.toString()));
    if (byCount.size() > 3)
        most.append(QStringLiteral("..."));
    qWarning("%s",
             qUtf8Printable(tr("turned away %1 connections from %2 addresses in the last %3 s (%4): too "
                               "many still to authenticate")
                                .arg(QString::number(total), QString::number(turnedAway_.size()),
                                     QString::number(kSummaryMs / 1000), most.join(QStringLiteral(", ")))));
    turnedAway_.clear();
    summary_.start();
}
