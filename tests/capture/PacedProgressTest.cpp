#include "capture/ProgressPacer.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractButton>
#include <QThread>

using namespace std::chrono_literals;

// How a scan shows its progress when the window paces it, as it does outside these tests.

TEST(ProgressPacer, GathersStepsUntilTheIntervalHasPassed) {
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

using PacedImport = WindowFixture;

namespace {

// A form of many lines and no captions at all: nothing but scanning.
AnsiString formWithoutCaptions(int controls) {
    AnsiString text = "VERSION 5.00\r\nBegin VB.Form frmLongo\r\n";
    for (int k = 1; k <= controls; ++k)
        text += "   Begin VBCE.TextBox txt" + AnsiString::number(k) + "\r\n      Height = 255\r\n   End\r\n";
    return text + "End\r\nAttribute VB_Name = \"frmLongo\"\r\n";
}

} // namespace

TEST_F(PacedImport, TheBarMovesInGatheredStepsAndEndsOnTheLastLine) {
    form->Capture.ProgressInterval = 20ms;
    stIdiLeDfm = "POR";
    const TStringList lines = SampleForms::linesOf(formWithoutCaptions(2000));
    form->pgbProgresso->setRange(0, 100 + lines.Count());
    form->pgbProgresso->setValue(100);
    QList<int> positions;
    onProgress([&](int value) { positions.append(value); });

    form->Import(lines, "Longo");

    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last(), 100 + lines.Count());
    EXPECT_LT(positions.size(), lines.Count() / 10) << "the bar was moved for nearly every line";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(PacedImport, ACancelStillReachesTheScanAndStopsItWhereItWas) {
    // A short interval, so that the run lets events through many times before it could end.
    form->Capture.ProgressInterval = 1ms;
    QList<AnsiString> captions;
    for (int k = 1; k <= 300; ++k)
        captions.append("Rotulo " + AnsiString::number(k));
    FormFolder folder;
    folder.write(QStringLiteral("Longo.Ebf"), SampleForms::labelForm("frmLongo", captions));
    selectFiles(folder, {QStringLiteral("Longo.Ebf")});
    chooseLanguage(QStringLiteral("POR"));
    int furthest = 0;
    bool clicked = false;
    onProgress([&](int value) {
        furthest = std::max(furthest, value);
        if (!clicked && value > 0) {
            clicked = true;
            QMetaObject::invokeMethod(form->sbtCancel, &QAbstractButton::click, Qt::QueuedConnection);
        }
    });

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts().last(), kSuccess) << "a cancelled run ends as usual";
    // The rows are those of the captions up to the line the scan had reached, and no more.
    int scanned = 0;
    while (scanned < captions.size() && SampleForms::labelCaptionLine(scanned) <= furthest)
        ++scanned;
    ASSERT_GT(scanned, 0);
    ASSERT_LT(scanned, captions.size()) << "the cancel did not reach the scan";
    const QStringList rows = rowsOnServer();
    ASSERT_EQ(rows.size(), scanned);
    for (int k = 0; k < scanned; ++k)
        EXPECT_EQ(rows[k], captionRow("LONGO", "FRMLONGO", QStringLiteral("LBL%1").arg(k + 1),
                                      QStringLiteral("Rotulo %1").arg(k + 1)));
}
