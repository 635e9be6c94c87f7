#pragma once

#include <QElapsedTimer>

#include <chrono>

// Paces the progress of a long loop on the screen. Moving a progress bar and letting events
// through cost more than scanning a line, and nobody sees more than a few dozen updates a
// second; so the steps are gathered and handed out once interval has passed. With a zero
// interval every step is handed out at once.
class ProgressPacer {
public:
    explicit ProgressPacer(std::chrono::milliseconds interval);

    // Counts one step; true when the gathered steps are due to be shown.
    bool step();
    // The steps gathered since they were last taken; starts a new interval.
    int takeSteps();
    int pendingSteps() const { return pending_; }

private:
    std::chrono::milliseconds interval_;
    QElapsedTimer sinceShown_;
    int pending_ = 0;
};
