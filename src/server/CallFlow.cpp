#include "server/CallFlow.h"

#include "toolkit/Exceptions.h"
#include "toolkit/ScopeGuard.h"

#include <utility>

namespace {

CallFlow::Handlers joined(CallFlow::Handlers first, CallFlow::Handlers then) {
    CallFlow::Handlers both;
    both.awaiting = [a = std::move(first.awaiting), b = std::move(then.awaiting)] {
        if (a)
            a();
        if (b)
            b();
    };
    both.answered = [a = std::move(first.answered), b = std::move(then.answered)](const QJsonValue& result) {
        if (a)
            a(result);
        if (b)
            b(result);
    };
    both.shown = first.shown ? first.shown : then.shown;
    both.keptAfterFailure = first.keptAfterFailure || then.keptAfterFailure;
    return both;
}

} // namespace

CallFlow::CallFlow(TNetConnection& connection, LinkActivity& activity)
    : connection_(connection), activity_(activity) {}

void CallFlow::alsoOnNextCall(Handlers handlers) {
    alsoOnNext_.push_back(std::move(handlers));
}

void CallFlow::send(Call call, Handlers handlers) {
    for (Handlers& also : std::exchange(alsoOnNext_, {}))
        handlers = joined(std::move(handlers), std::move(also));
    // Room is made by taking answers, which a handler must not do: the answers before its own
    // would be taken after it.
    if (room_ > 0 && handling_ == 0)
        while (!inFlight_.empty() && connection_.pendingBytes() >= room_)
            receiveOne();

    InFlight sent{std::move(call), std::move(handlers)};
    if (inFlight_.empty()) {
        if (sent.handlers.awaiting)
            sent.handlers.awaiting();
        sent.awaited = true;
        connection_.reopenIfDropped();
    }
    try {
        connection_.send(sent.call.method, sent.call.args);
    } catch (...) {
        // A send that fails drops the connection, and every call in flight with it.
        inFlight_.clear();
        throw;
    }
    inFlight_.push_back(std::move(sent));
    if (room_ == 0)
        receiveOne();
}

void CallFlow::finish() {
    while (!inFlight_.empty())
        receiveOne();
}

void CallFlow::receiveOne() {
    InFlight call = std::move(inFlight_.front());
    inFlight_.pop_front();
    if (stop_ && *stop_ && !call.handlers.keptAfterFailure) {
        try {
            connection_.receive(call.call.args);
        } catch (const ESocketError&) {
            inFlight_.clear();
            throw;
        } catch (...) {
            // Nobody waits for this answer any more, refused or not.
        }
        return;
    }
    try {
        if (!call.awaited && call.handlers.awaiting)
            call.handlers.awaiting();
        QJsonValue result;
        {
            if (call.handlers.shown)
                activity_.begin(*call.handlers.shown);
            // A reading call ends the wait after its answer, whether or not it began one.
            const ScopeExit endWait([this] { activity_.end(); });
            result = connection_.receive(call.call.args);
        }
        ++handling_;
        const ScopeExit handled([this] { --handling_; });
        if (call.handlers.answered)
            call.handlers.answered(result);
    } catch (...) {
        failed(std::current_exception());
    }
}

void CallFlow::failed(std::exception_ptr failure) {
    drainAfterFailure();
    std::rethrow_exception(failure);
}

void CallFlow::drainAfterFailure() {
    while (!inFlight_.empty()) {
        if (connection_.pendingCalls() == 0) {
            inFlight_.clear(); // the connection went, and their answers with it
            return;
        }
        InFlight late = std::move(inFlight_.front());
        inFlight_.pop_front();
        try {
            const QJsonValue result = connection_.receive(late.call.args);
            if (late.handlers.keptAfterFailure && late.handlers.answered)
                late.handlers.answered(result);
        } catch (const ESocketError&) {
            inFlight_.clear();
            return;
        } catch (...) {
            // The first failure is the one that goes on; this call's own is passed over.
        }
    }
}
