#include "host/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Shared with the handler, which may only touch what is safe in a signal handler.
volatile std::sig_atomic_t receivedSignal = 0;
int writeEnd = -1;
struct sigaction previousInt;
struct sigaction previousTerm;

extern "C" void onStopSignal(int number) {
    if (receivedSignal != 0) {
        // Asked twice: end as an unarmed program would.
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    receivedSignal = number;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
}

} // namespace

StopSignals::StopSignals() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("cannot make the pipe for the stop signals");
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPipe);
}

StopSignals::~StopSignals() {
    disarm();
    delete notifier_;
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void StopSignals::arm() {
    if (armed_)
        return;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);
    armed_ = true;
}

void StopSignals::disarm() {
    if (!armed_)
        return;
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    armed_ = false;
}

int StopSignals::received() const {
    return receivedSignal;
}

void StopSignals::readPipe() {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    emit stopRequested(receivedSignal);
}
