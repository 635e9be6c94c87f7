#include "capture/ProgressPacer.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// How a scan paces its progress on the screen, as it does outside these tests.

TEST(APacer, GathersStepsUntilTheIntervalHasPassed) {
    ProgressPacer everyStep(0ms);
    EXPECT_TRUE(everyStep.Step());
    EXPECT_EQ(everyStep.TakeSteps(), 1);
    EXPECT_EQ(everyStep.PendingSteps(), 0);

    ProgressPacer hourly(1h);
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(hourly.Step()) << "step " << i;
    EXPECT_EQ(hourly.PendingSteps(), 1000);
    EXPECT_EQ(hourly.TakeSteps(), 1000);
    EXPECT_EQ(hourly.PendingSteps(), 0);

    ProgressPacer brief(2ms);
    EXPECT_FALSE(brief.Step());
    QThread::msleep(5);
    EXPECT_TRUE(brief.Step());
    EXPECT_EQ(brief.TakeSteps(), 2);
    EXPECT_FALSE(brief.Step()) << "taking the steps starts a new interval";
}
