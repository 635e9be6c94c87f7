#pragma once

#include "server/LinkActivity.h"

#include "components/NetConnection.h"

#include <functional>
#include <vector>

// Calls sent without waiting for each answer, so that a slow network costs a round trip per batch
// of calls rather than per call. The server answers a connection's requests in order. At most
// kMaxCalls calls, and kMaxBytes of requests, are in flight, so a long batch neither floods the
// server's input nor holds up its other clients: it still serves a few lines per client in turn.
class CallPipeline {
public:
    static constexpr int kMaxCalls = 64;
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    struct Call {
        QString method;
        std::vector<TRemoteArg> args;
    };
    // Takes the result of call `index`; false sends no more calls.
    using Answered = std::function<bool(int index, const QJsonValue& result)>;

    CallPipeline(TNetConnection& connection, LinkActivity& activity);

    // Sends calls 0 to count - 1, each made by `make` when it is sent, and hands their results to
    // `answered` in the order sent, `awaiting` running before each wait (for the first call, before
    // anything is sent). Once `answered` says stop
    // or a call fails (an error answer, or `answered` raising), no further call is sent; the
    // results of those already sent go to `late`, when given, and their failures are passed over.
    // Then the first failure goes on. A lost connection loses every call in flight with it.
    void Run(int count, const std::function<Call(int)>& make, const std::function<void(int)>& awaiting,
             const Answered& answered, const Answered& late = {});

private:
    TNetConnection& connection_;
    LinkActivity& activity_;
};
