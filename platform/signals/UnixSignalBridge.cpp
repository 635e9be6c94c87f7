#include "signals/UnixSignalBridge.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

// The handler touches only the pipe's write end, constant flags and lock-free atomics.
struct UnixSignalBridge::HandlerState {
    int pipe[2] = {-1, -1};
    bool endsOnSecond = false;
    std::atomic<int> first{0};
    // What arm() replaced, per watched signal in order, for disarm() to put back.
    std::vector<struct sigaction> previousActions;
    std::vector<HandlerState*> previousStates;
};

std::atomic<UnixSignalBridge::HandlerState*> UnixSignalBridge::armedStates_[NSIG];

static_assert(std::atomic<void*>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler may only use lock-free atomics");

void UnixSignalBridge::handleSignal(int signalNumber) {
    const int savedErrno = errno;
    if (HandlerState* state = armedStates_[signalNumber].load()) {
        int none = 0;
        if (!state->first.compare_exchange_strong(none, signalNumber) && state->endsOnSecond) {
            // Asked twice: end as the program would have unarmed. The signal stays blocked until
            // the handler returns, and then the default action takes it.
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            sigemptyset(&defaultAction.sa_mask);
            ::sigaction(signalNumber, &defaultAction, nullptr);
            ::raise(signalNumber);
        } else {
            const unsigned char byte = static_cast<unsigned char>(signalNumber);
            // A full pipe already holds more signals than anyone waits for.
            [[maybe_unused]] const ssize_t written = ::write(state->pipe[1], &byte, 1);
        }
    }
    errno = savedErrno;
}

UnixSignalBridge::UnixSignalBridge(QList<int> signalNumbers, SecondSignal second, QObject* parent)
    : QObject(parent), signalNumbers_(std::move(signalNumbers)), state_(std::make_unique<HandlerState>()) {
    for (int number : signalNumbers_) {
        if (number <= 0 || number >= NSIG)
            qFatal("%s", qPrintable(tr("there is no signal %1").arg(number)));
    }
    if (::pipe2(state_->pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("%s", qPrintable(tr("cannot make the pipe for the signals")));
    state_->endsOnSecond = second == SecondSignal::EndsProgram;
    notifier_ = new QSocketNotifier(state_->pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalBridge::readPipe);
}

UnixSignalBridge::~UnixSignalBridge() {
    disarm();
    delete notifier_;
    ::close(state_->pipe[0]);
    ::close(state_->pipe[1]);
}

void UnixSignalBridge::arm() {
    if (armed_)
        return;
    state_->first = 0;
    state_->previousActions.assign(size_t(signalNumbers_.size()), {});
    state_->previousStates.assign(size_t(signalNumbers_.size()), nullptr);
    struct sigaction action {};
    action.sa_handler = &UnixSignalBridge::handleSignal;
    sigemptyset(&action.sa_mask);
    // The other watched signals wait while the handler runs, so that two at once count in turn.
    for (int number : signalNumbers_)
        sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_RESTART;
    for (qsizetype i = 0; i < signalNumbers_.size(); ++i) {
        const int number = signalNumbers_.at(i);
        // The state first, so that the handler finds it as soon as it is installed.
        state_->previousStates[size_t(i)] = armedStates_[number].exchange(state_.get());
        ::sigaction(number, &action, &state_->previousActions[size_t(i)]);
    }
    armed_ = true;
}

void UnixSignalBridge::disarm() {
    if (!armed_)
        return;
    for (qsizetype i = signalNumbers_.size() - 1; i >= 0; --i) {
        const int number = signalNumbers_.at(i);
        ::sigaction(number, &state_->previousActions[size_t(i)], nullptr);
        armedStates_[number].store(state_->previousStates[size_t(i)]);
    }
    armed_ = false;
}

int UnixSignalBridge::received() const {
    return state_->first.load();
}

void UnixSignalBridge::readPipe() {
    unsigned char bytes[64];
    ssize_t count = 0;
    while ((count = ::read(state_->pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit caught(bytes[i]);
    }
}
