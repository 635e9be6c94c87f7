#include "server/CallPipeline.h"

#include "toolkit/Exceptions.h"
#include "toolkit/ScopeGuard.h"

#include <deque>
#include <exception>
#include <utility>

CallPipeline::CallPipeline(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void CallPipeline::Run(int count, const std::function<Call(int)>& make,
                       const std::function<void(int)>& awaiting, const Answered& answered,
                       const Answered& late) {
    if (count <= 0)
        return;
    // The first call is awaited from before anything is sent: a connection that fails to reopen
    // or to take it fails that call.
    if (awaiting)
        awaiting(0);
    activity_.Begin(LinkActivity::Wait::Read);
    const ScopeExit endWait([this] { activity_.End(); });
    connection_.AppServer(); // opens a connection the server dropped meanwhile

    // Each call stays here until answered: its by-reference arguments take what comes back.
    std::deque<std::pair<int, Call>> inFlight;
    int next = 0;
    bool going = true;
    std::exception_ptr failure;
    const auto send = [&] {
        while (going && next < count &&
               (inFlight.empty() ||
                (connection_.PendingCalls() < kMaxCalls && connection_.PendingBytes() < kMaxBytes))) {
            Call call = make(next);
            connection_.Send(call.method, call.args);
            inFlight.emplace_back(next++, std::move(call));
        }
    };
    const auto stop = [&] {
        going = false;
        if (!failure)
            failure = std::current_exception();
    };

    try {
        send();
    } catch (...) {
        stop();
    }
    while (!inFlight.empty() && connection_.PendingCalls() > 0) {
        const int index = inFlight.front().first;
        try {
            if (going && awaiting && index > 0)
                awaiting(index);
            const QJsonValue result = connection_.Receive(inFlight.front().second.args);
            if (going)
                going = answered(index, result);
            else if (late)
                late(index, result);
        } catch (const ESocketError&) {
            stop();
            break; // the connection went with every answer still to come
        } catch (...) {
            if (going)
                stop();
        }
        inFlight.pop_front();
        try {
            send();
        } catch (...) {
            stop();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
