#include "appserver/net/DoorLog.h"

#include "appserver/net/PeerKey.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace {

QString countedText(DoorLog::Event event, int count) {
    const QString n = QString::number(count);
    switch (event) {
    case DoorLog::Event::TurnedAway:
        return DoorLog::tr("%1 connections turned away: too many still to authenticate").arg(n);
    case DoorLog::Event::Displaced:
        return DoorLog::tr("%1 connections still to authenticate closed to make room for newcomers").arg(n);
    case DoorLog::Event::HandshakeFailed:
        return DoorLog::tr("%1 TLS handshakes failed").arg(n);
    case DoorLog::Event::TokenRefused:
        return DoorLog::tr("%1 missing or wrong tokens refused").arg(n);
    case DoorLog::Event::RefusedBeforeOpen:
        return DoorLog::tr("%1 requests refused before rpc.open").arg(n);
    case DoorLog::Event::Closed:
        return DoorLog::tr("%1 connections closed before authenticating").arg(n);
    }
    return n;
}

} // namespace

DoorLog::DoorLog(QObject* parent) : QObject(parent) {
    summary_.setInterval(kSummaryMs);
    connect(&summary_, &QTimer::timeout, this, &DoorLog::summarise);
}

DoorLog::~DoorLog() {
    summarise(); // what was counted still reaches the log
}

void DoorLog::note(Event event, const QHostAddress& address, const QString& line) {
    Tally& tally = tallies_[std::size_t(event)];
    if (!summary_.isActive())
        summary_.start();
    if (!tally.told) {
        tally.told = true;
        qWarning("%s", qUtf8Printable(tr("%1; more like it are summed up every %2 s")
                                          .arg(line, QString::number(kSummaryMs / 1000))));
        return;
    }
    ++tally.total;
    const QHostAddress key = peerKey(address);
    const auto found = tally.perPeer.find(key);
    if (found != tally.perPeer.end())
        ++*found;
    else if (tally.perPeer.size() < kPeersCounted)
        tally.perPeer.insert(key, 1);
}

QString DoorLog::summaryOf(Event event, const Tally& tally) {
    QList<std::pair<int, QHostAddress>> busiest;
    for (auto it = tally.perPeer.cbegin(); it != tally.perPeer.cend(); ++it)
        busiest.append({it.value(), it.key()});
    const qsizetype shown = std::min<qsizetype>(busiest.size(), 3);
    std::partial_sort(busiest.begin(), busiest.begin() + shown, busiest.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList most;
    for (qsizetype i = 0; i < shown; ++i)
        most.append(tr("%1 from %2").arg(QString::number(busiest[i].first), peerKeyName(busiest[i].second)));
    const QString peers = tally.perPeer.size() < kPeersCounted ? QString::number(tally.perPeer.size())
                                                               : tr("more than %1").arg(kPeersCounted);
    return tr("%1 in the last %2 s, from %3 addresses (%4)")
        .arg(countedText(event, tally.total), QString::number(kSummaryMs / 1000), peers,
             most.join(QStringLiteral(", ")));
}

void DoorLog::summarise() {
    bool anyTold = false;
    for (std::size_t i = 0; i < tallies_.size(); ++i) {
        Tally& tally = tallies_[i];
        if (tally.total > 0)
            qWarning("%s", qUtf8Printable(summaryOf(Event(i), tally)));
        else
            tally.told = false; // a quiet spell: the next one is told at once
        tally.total = 0;
        tally.perPeer.clear();
        anyTold = anyTold || tally.told;
    }
    if (!anyTold)
        summary_.stop();
}
