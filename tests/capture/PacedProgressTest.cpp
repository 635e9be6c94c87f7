#include "capture/ProgressPacer.h"
#include "tests/support/PartsFixture.h"
#include "tests/support/SampleForms.h"

#include <QThread>

#include <algorithm>

using namespace std::chrono_literals;

// How a scan shows its progress when it is paced, as it is outside these tests.

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

using PacedImport = PartsFixture;

TEST_F(PacedImport, TheBarMovesInGatheredStepsAndEndsOnTheLastLine) {
    open();
    run.ProgressInterval = 20ms;
    languageCode = "POR";
    // A form of many lines and no captions at all: nothing but scanning.
    AnsiString text = "VERSION 5.00\r\nBegin VB.Form frmLongo\r\n";
    for (int k = 1; k <= 2000; ++k)
        text += "   Begin VBCE.TextBox txt" + AnsiString::number(k) + "\r\n      Height = 255\r\n   End\r\n";
    const TStringList lines = SampleForms::linesOf(text + "End\r\nAttribute VB_Name = \"frmLongo\"\r\n");
    view.progress = 100;

    run.Import(lines, "Longo");
    const QList<int>& positions = view.progressSteps;

    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last(), 100 + lines.Count());
    EXPECT_LT(positions.size(), lines.Count() / 10) << "the bar was moved for nearly every line";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_TRUE(calls.isEmpty());
}
