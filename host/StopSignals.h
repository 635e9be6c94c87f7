#pragma once

#include <QObject>

class QSocketNotifier;

// While armed, SIGINT and SIGTERM ask the program to stop rather than end it: the request reaches
// the event loop as a Qt signal, so that a run can end where it is and say so. A second signal
// ends the program at once, as it would have ended unarmed. Disarmed, they do what they did before.
class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

    void arm();
    void disarm();

    // The signal that asked, 0 for none.
    int received() const;

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool armed_ = false;
};
