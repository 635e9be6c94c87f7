#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

// What peers that have not authenticated do, told to the log at a pace no peer sets. The first
// event of a kind after a quiet spell is logged at once, in full; the ones after it are counted,
// per kind and per peer (see peerKey), and summed up every kSummaryMs in one line per kind that
// names the busiest peers. However many peers fail to get in, and from however many addresses,
// the log grows by a few lines a minute.
class DoorLog : public QObject {
    Q_OBJECT
public:
    enum class Event {
        TurnedAway,        // the budget for unauthenticated connections had no room
        Displaced,         // closed to make room for a newcomer from a less busy address
        HandshakeFailed,   // a TLS handshake that failed or ran out of time
        TokenRefused,      // a missing or wrong token
        RefusedBeforeOpen, // a notification or another method before rpc.open
        Closed,            // closed before authenticating: an oversized line, too many refusals
    };
    static constexpr int kEvents = 6;
    static constexpr int kSummaryMs = 60 * 1000;
    // Peers counted one by one in a summary; beyond them only the total grows.
    static constexpr int kPeersCounted = 1024;

    explicit DoorLog(QObject* parent = nullptr);
    ~DoorLog() override;

    // One event from address; line is what the log says when it is told on its own.
    void note(Event event, const QHostAddress& address, const QString& line);

private:
    struct Tally {
        bool told = false; // since the last quiet spell
        int total = 0;     // since the last summary
        QHash<QHostAddress, int> perPeer;
    };
    void summarise();
    static QString summaryOf(Event event, const Tally& tally);

    std::array<Tally, kEvents> tallies_;
    QTimer summary_;
};
