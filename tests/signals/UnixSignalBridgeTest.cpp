#include "signals/UnixSignalBridge.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

// Signals raised in this process at a bridge armed for SIGINT, SIGTERM, SIGUSR1 and SIGUSR2.
// Before it arms, each of them has a handler that counts, so that a signal the bridge lets through
// shows as a count instead of ending the tests.

namespace {

using SecondSignal = UnixSignalBridge::SecondSignal;

const QList<int> kWatched{SIGINT, SIGTERM, SIGUSR1, SIGUSR2};
constexpr int kArm = -1; // steps besides raising a signal
constexpr int kDisarm = -2;

volatile std::sig_atomic_t countedBefore = 0;

extern "C" void countSignal(int) {
    countedBefore = countedBefore + 1;
}

struct BridgeCase {
    const char* name;
    SecondSignal second;
    std::vector<int> steps; // once armed: signals to raise, kArm, kDisarm
    std::vector<int> caught;
    int received;
    int countedBefore;
    int endsBy = 0; // the signal that ends the program, 0 for none
};

std::string caseName(const ::testing::TestParamInfo<BridgeCase>& param) {
    return param.param.name;
}

// clang-format off
const BridgeCase kCases[] = {
    {"EverySignalArrivesWhenDelivered", SecondSignal::Deliver, {SIGUSR1, SIGTERM, SIGUSR1},
     {SIGUSR1, SIGTERM, SIGUSR1}, SIGUSR1, 0},
    {"TheFirstSignalAsksToStop", SecondSignal::EndsProgram, {SIGINT}, {SIGINT}, SIGINT, 0},
    {"TheSecondSignalEndsTheProgram", SecondSignal::EndsProgram, {SIGTERM, SIGINT}, {}, 0, 0, SIGINT},
    {"ArmingAgainForgetsTheFirst", SecondSignal::EndsProgram, {SIGTERM, kDisarm, kArm, SIGUSR2},
     {SIGTERM, SIGUSR2}, SIGUSR2, 0},
    {"DisarmedTheSignalsDoWhatTheyDidBefore", SecondSignal::Deliver, {kDisarm, SIGUSR1, SIGUSR2, SIGINT},
     {}, 0, 3},
};
// clang-format on

class UnixSignalBridgeTest : public ::testing::TestWithParam<BridgeCase> {
protected:
    void SetUp() override {
        countedBefore = 0;
        for (int number : kWatched)
            std::signal(number, countSignal);
    }

    void TearDown() override {
        for (int number : kWatched)
            std::signal(number, SIG_DFL);
    }

    // Arms a bridge, plays the steps and gives the event loop time; what caught() brought.
    std::vector<int> play() {
        std::vector<int> caught;
        QObject::connect(&bridge, &UnixSignalBridge::caught,
                         [&caught](int number) { caught.push_back(number); });
        bridge.arm();
        for (int step : GetParam().steps) {
            if (step == kArm)
                bridge.arm();
            else if (step == kDisarm)
                bridge.disarm();
            else
                std::raise(step);
        }
        for (const QDeadlineTimer deadline(200); !deadline.hasExpired();)
            QCoreApplication::processEvents();
        QObject::disconnect(&bridge, nullptr, nullptr, nullptr);
        return caught;
    }

    UnixSignalBridge bridge{kWatched, GetParam().second};
};

TEST_P(UnixSignalBridgeTest, BringsTheSignalsIntoTheEventLoop) {
    const BridgeCase& bridgeCase = GetParam();
    if (bridgeCase.endsBy != 0) {
        EXPECT_EXIT(play(), ::testing::KilledBySignal(bridgeCase.endsBy), "");
        return;
    }
    EXPECT_EQ(play(), bridgeCase.caught);
    EXPECT_EQ(bridge.received(), bridgeCase.received);
    EXPECT_EQ(countedBefore, bridgeCase.countedBefore);
}

INSTANTIATE_TEST_SUITE_P(, UnixSignalBridgeTest, ::testing::ValuesIn(kCases), caseName);

} // namespace

// The socket notifier wants an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
