#pragma once

#include "server/LinkActivity.h"

#include "components/NetConnection.h"

#include <QJsonValue>

#include <deque>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

// The remote calls of a capture over one connection. With no room in flight, each call waits for
// its answer before Send returns, as the window makes them. With room, calls go out without
// waiting for each answer, up to that many bytes of requests in flight, so that a slow network
// costs a round trip per batch of calls rather than per call; the server answers a connection's
// requests in order, and each answer is handed over in that order.
//
// A failure (an error answer, a handler raising, a lost connection) stops the flow: nothing more is
// sent, the answers already on their way are read (each handed only to a call that keeps its
// answers after a failure, its own failures passed over), and then the first failure goes on out
// of the Send or Finish that met it.
class CallFlow {
public:
    struct Call {
        QString method;
        std::vector<RemoteArg> args;
    };
    struct Handlers {
        // Before the wait for the answer; for a call sent with nothing in flight, before it is sent,
        // so that a connection that fails to reopen or to take it fails this call.
        std::function<void()> awaiting;
        std::function<void(const QJsonValue& result)> answered;
        // What the user is told the link waits for, if anything; the wait ends with the answer.
        std::optional<LinkActivity::Wait> shown;
        // A row the server confirms is stored, whatever became of the calls before it.
        bool keptAfterFailure = false;
    };

    CallFlow(TNetConnection& connection, LinkActivity& activity);

    // Bytes of requests in flight at most; 0: one call at a time.
    void setRoomInFlight(qint64 bytes) { room_ = bytes; }
    qint64 roomInFlight() const { return room_; }
    // Once *stop is set (the user asked the capture to stop), the answers still on their way are
    // read but handed only to the calls that keep them, as after a failure, without failing:
    // whoever sends stops sending. Null: never.
    void setStop(const bool* stop) { stop_ = stop; }

    // Sends a call; its answer goes to handlers.answered once the calls before it are answered.
    // Called from a handler, it sends without waiting for room, so that answers are never taken
    // out of order.
    void send(Call call, Handlers handlers);
    // Handlers the next call sent takes as well, run after its own: whoever causes a call it does
    // not make itself (a posted row sent by the change sender) learns of its answer.
    void alsoOnNextCall(Handlers handlers);
    // Forgets them when no call came of it.
    void clearAlsoOnNext() { alsoOnNext_.clear(); }
    // Waits for every answer.
    void finish();

private:
    struct InFlight {
        Call call;
        Handlers handlers;
        bool awaited = false;
    };

    void receiveOne();
    [[noreturn]] void failed(std::exception_ptr failure);
    void drainAfterFailure();

    TNetConnection& connection_;
    LinkActivity& activity_;
    qint64 room_ = 0;
    const bool* stop_ = nullptr;
    std::deque<InFlight> inFlight_;
    std::vector<Handlers> alsoOnNext_;
    int handling_ = 0;
};
