#include "capture/ProgressPacer.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// How a scan paces its progress on the screen, as it does outside these tests.

TEST(APacer, GathersStepsUntilTheIntervalHasPassed) {
    ProgressPacer everyStep(0ms);
    EXPECT_TRUE(everyStep.step());
    EXPECT_EQ(everyStep.takeSteps(), 1);
    EXPECT_EQ(everyStep.pendingSteps(), 0);

    ProgressPacer hourly(1h);
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(hourly.step()) << "step " << i;
    EXPECT_EQ(hourly.pendingSteps(), 1000);
    EXPECT_EQ(hourly.takeSteps(), 1000);
    EXPECT_EQ(hourly.pendingSteps(), 0);

    ProgressPacer brief(2ms);
    EXPECT_FALSE(brief.step());
    QThread::msleep(5);
    EXPECT_TRUE(brief.step());
    EXPECT_EQ(brief.takeSteps(), 2);
    EXPECT_FALSE(brief.step()) << "taking the steps starts a new interval";
}
