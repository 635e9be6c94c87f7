#include "capture/ProgressPacer.h"

ProgressPacer::ProgressPacer(std::chrono::milliseconds interval) : interval_(interval) {
    sinceShown_.start();
}

bool ProgressPacer::step() {
    ++pending_;
    return interval_.count() <= 0 || sinceShown_.elapsed() >= interval_.count();
}

int ProgressPacer::takeSteps() {
    sinceShown_.restart();
    const int steps = pending_;
    pending_ = 0;
    return steps;
}
