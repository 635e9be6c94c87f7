#include "appserver/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

SignalWatcher::SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent) : QObject(parent) {
    sigset_t mask;
    sigemptyset(&mask);
    for (int number : signalNumbers)
        sigaddset(&mask, number);
    if (pthread_sigmask(SIG_BLOCK, &mask, nullptr) != 0)
        qFatal("cannot block the shutdown signals");
    fd_ = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0)
        qFatal("cannot watch the shutdown signals");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
}

SignalWatcher::~SignalWatcher() {
    delete notifier_;
    ::close(fd_);
}

void SignalWatcher::readSignal() {
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof info) == ssize_t(sizeof info))
        emit received(int(info.ssi_signo));
}
