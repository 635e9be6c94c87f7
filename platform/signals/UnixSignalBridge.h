#pragma once

#include <QList>
#include <QObject>

#include <atomic>
#include <memory>

class QSocketNotifier;

// While armed, the signals it watches reach the event loop as the Qt signal caught() instead of
// doing what they did before, so that what they ask for runs there rather than in a signal
// handler. The handler only writes the signal's number to a pipe, which is safe in a handler and on
// any thread. Disarmed, or destroyed, the signals get back the dispositions they had before.
// Bridges may watch the same signal armed one over the other, if disarmed in the opposite order.
class UnixSignalBridge : public QObject {
    Q_OBJECT
public:
    enum class SecondSignal {
        Deliver,    // every signal arrives as caught()
        EndsProgram // the first arrives; the next one, of any watched signal, ends the program at
                    // once by the default action, as unarmed (a stop asked for twice)
    };

    explicit UnixSignalBridge(QList<int> signalNumbers, SecondSignal second = SecondSignal::Deliver,
                              QObject* parent = nullptr);
    ~UnixSignalBridge() override;

    // Arming forgets the signal received before.
    void arm();
    void disarm();

    // The first signal caught since arm(), 0 for none; known as soon as the handler ran, before
    // caught() arrives.
    int received() const;

signals:
    void caught(int signalNumber);

private:
    struct HandlerState;
    static void handleSignal(int signalNumber);
    // Per signal number, the state of the bridge armed last for it.
    static std::atomic<HandlerState*> armedStates_[];

    void readPipe();

    const QList<int> signalNumbers_;
    std::unique_ptr<HandlerState> state_;
    QSocketNotifier* notifier_ = nullptr;
    bool armed_ = false;
};
