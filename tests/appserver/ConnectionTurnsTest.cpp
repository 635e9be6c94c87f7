#include "appserver/net/ConnectionTurns.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A connection with a number of lines waiting, which notes each turn it gets.
class Waiting : public TurnTaker {
public:
    Waiting(char name, int lines, std::vector<std::pair<char, int>>& turns)
        : name_(name), lines_(lines), turns_(turns) {}
    virtual ~Waiting() = default;

    bool takeTurn(int maxLines) override {
        const int handled = std::min(lines_, maxLines);
        lines_ -= handled;
        turns_.emplace_back(name_, handled);
        return handled == maxLines;
    }

private:
    char name_;
    int lines_;
    std::vector<std::pair<char, int>>& turns_;
};

void runEventsUntilIdle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

// Turns go round in the order asked for, a few lines each: a connection with many lines waiting
// cannot keep the others waiting for all of them.
TEST(FairTurns, EachWaitingConnectionGetsABoundedTurnPerRound) {
    constexpr int kTurn = ConnectionTurns::kLinesPerTurn;
    std::vector<std::pair<char, int>> turns;
    Waiting busy('A', 2 * kTurn + 3, turns);
    Waiting quiet('B', 1, turns);
    Waiting gone('C', 5, turns);
    Waiting twice('D', 2, turns);
    ConnectionTurns rota;

    rota.request(&busy); // no one waiting: served at once
    rota.request(&quiet);
    rota.request(&gone);
    rota.request(&twice);
    rota.request(&twice); // asking again does not take a second place
    rota.withdraw(&gone);
    runEventsUntilIdle();

    const std::vector<std::pair<char, int>> expected{
        {'A', kTurn}, {'A', kTurn}, {'B', 1}, {'D', 2}, {'A', 3}};
    EXPECT_EQ(turns, expected);
}
