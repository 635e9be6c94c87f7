#pragma once

#include <QCoreApplication>
#include <QObject>

#include <exception>
#include <functional>
#include <stdexcept>
#include <type_traits>

// Module code reports failures as exceptions; Qt must never see one. Every handler bound to a
// signal runs inside guarded(), which hands a failure to the application's failure handler:
// an error dialog in the desktop host, a printed error and an exit status in the capture command.
namespace Toolkit {

using FailureHandler = std::function<void(const std::exception&)>;

// Replaces the handler; returns the previous one. An empty handler restores the error dialog.
FailureHandler setFailureHandler(FailureHandler handler);
// Hands a failure to the handler in force; EAbort is silent.
void handleFailure(const std::exception& failure);

template <typename F> void guarded(F&& body) noexcept {
    try {
        body();
    } catch (const std::exception& failure) {
        handleFailure(failure);
    } catch (...) {
        handleFailure(
            std::runtime_error(QCoreApplication::translate("Toolkit", "Unknown failure").toStdString()));
    }
}

// Runs a bound handler's call as it is: inside guarded() and nothing more.
struct RunGuarded {
    template <typename Call> void operator()(Call&& guardedCall) const { guardedCall(); }
};

// Connects a signal to a handler that runs inside guarded(). Handlers may ignore what the signal
// carries (a click's "checked", say). around gets the guarded call and runs it, so a window can
// keep count of the handlers it is running.
template <typename Sender, typename Signal, typename Handler, typename Around = RunGuarded>
QMetaObject::Connection bindHandler(Sender* sender, Signal signal, QObject* context, Handler handler,
                                    Around around = {}) {
    return QObject::connect(sender, signal, context, [handler, around](const auto&... args) {
        around([&]() noexcept {
            guarded([&] {
                if constexpr (std::is_invocable_v<Handler, decltype(args)...>)
                    handler(args...);
                else
                    handler();
            });
        });
    });
}

} // namespace Toolkit
