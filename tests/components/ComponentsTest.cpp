#include "components/BusyAnimation.h"
#include "components/ButtonFlat.h"
#include "components/CheckResultServ.h"
#include "components/MensErro.h"
#include "components/Messages.h"
#include "components/Strings.h"
#include "tests/support/ScriptedDialogs.h"
#include "toolkit/Exceptions.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QPixmap>

#include <gtest/gtest.h>

TEST(TheMessageTable, LooksTextsUpByKeyIgnoringCaseAndShowsThem) {
    const TMessages table(
        {"Sair|Sair", "Arq_Ja|Arquivo j\xE1 selecionado.", "dup|first", "dup|second", "bar|a|b"});
    EXPECT_EQ(table.Msg("arq_ja"), AnsiString("Arquivo j\xE1 selecionado."));
    EXPECT_EQ(table.Msg("dup"), AnsiString("first"));
    EXPECT_EQ(table.Msg("bar"), AnsiString("a|b")) << "only the first bar separates key and text";
    EXPECT_THROW(table.Msg("nothere"), Exception);

    ScriptedDialogsGuard dialogs;
    dialogs->answers = {mrNo};
    EXPECT_EQ(table.ShowMsg("Sair", mtConfirmation, mbYes | mbNo, 1), mrNo);
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("Sair"));
    EXPECT_EQ(dialogs->messages[0].type, mtConfirmation);
    EXPECT_EQ(dialogs->messages[0].buttons, 3u);
    EXPECT_EQ(dialogs->messages[0].helpContext, 1);
}

TEST(TheMessageTable, MensErroShowsAnErrorAndReturns) {
    ScriptedDialogsGuard dialogs;
    MensErro("Idioma inv\xE1lido.", true);
    ASSERT_EQ(dialogs->messages.size(), 1);
    EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("Idioma inválido."));
    EXPECT_EQ(dialogs->messages[0].type, mtError);
}

TEST(StringHelpers, EmptyStringAndRTrimTreatControlCharactersAsBlanks) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   \t"));
    EXPECT_FALSE(EmptyString(" a "));
    EXPECT_EQ(RTrim("  a b \t\r "), AnsiString("  a b"));
    EXPECT_EQ(RTrim("\xE1 "), AnsiString("\xE1")) << "accented letters are no blanks";
}

TEST(FlatButton, TakesTheNormalAndTheDisabledImageFromOneBitmap) {
    QImage bitmap(32, 16, QImage::Format_RGB32);
    bitmap.fill(Qt::red);
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            bitmap.setPixel(x, y, qRgb(0, 0, 255));
    TButtonFlat button;
    button.SetGlyph(QPixmap::fromImage(bitmap));
    const QImage normal = button.icon().pixmap(16, 16, QIcon::Normal).toImage();
    const QImage disabled = button.icon().pixmap(16, 16, QIcon::Disabled).toImage();
    EXPECT_EQ(QColor(normal.pixel(8, 8)), QColor(Qt::red));
    EXPECT_EQ(QColor(disabled.pixel(8, 8)), QColor(Qt::blue));
    EXPECT_TRUE(button.autoRaise());
}

TEST(ResultCheck, RaisesOnFailuresAndMissingPacketsAndReturnsThePacket) {
    const QJsonObject packet{{"fields", QJsonArray{}}, {"rows", QJsonArray{}}};
    EXPECT_EQ(CheckResultServ(QJsonObject{{"ok", true}, {"data", packet}}, true, 0), packet);
    try {
        CheckResultServ(QJsonObject{{"ok", false}, {"message", "tabela bloqueada"}}, true, 0);
        FAIL();
    } catch (const EServerError& failure) {
        EXPECT_EQ(failure.message(), QStringLiteral("tabela bloqueada"));
    }
    EXPECT_THROW(CheckResultServ(QJsonObject{{"ok", true}}, true, 0), EServerError);
    EXPECT_THROW(CheckResultServ(QJsonValue(), true, 0), EServerError);
    EXPECT_THROW(CheckResultServ(QJsonValue(42), true, 0), EServerError);
}

namespace {

// The busy window on screen now, if any.
QWidget* visibleBusyWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            for (const QLabel* label : window->findChildren<QLabel*>())
                for (const TShowAvi kind : {saConnect, saSend, saSearch, saCopy, saPrint, saDelete, saRead})
                    if (label->text() == QString::fromUtf8(BusyAnimation::TextOf(kind)))
                        return window;
    return nullptr;
}

// Runs events for the given time.
void runEventsFor(std::chrono::milliseconds duration) {
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < duration.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString busyText() {
    QWidget* window = visibleBusyWindow();
    return window ? window->findChild<QLabel*>()->text() : QString();
}

} // namespace

TEST(BusyAnimationWindow, WaitsInQuickSuccessionShareOneWindowThatGoesAMomentAfterTheLastOrForADialog) {
    runEventsFor(std::chrono::milliseconds(400));
    ASSERT_EQ(visibleBusyWindow(), nullptr);

    ActiveShowAvi(nullptr, saSend);
    QWidget* const window = visibleBusyWindow();
    ASSERT_NE(window, nullptr);
    DeactiveShowAvi();
    EXPECT_FALSE(BusyAnimation::IsShown());
    QCoreApplication::processEvents(); // the scan lets events run between two captions
    EXPECT_EQ(visibleBusyWindow(), window) << "the window went between two waits of a run";
    ActiveShowAvi(nullptr, saRead);
    EXPECT_EQ(busyText(), QString::fromUtf8(BusyAnimation::TextOf(saRead)));
    DeactiveShowAvi();
    runEventsFor(std::chrono::milliseconds(400));
    EXPECT_EQ(visibleBusyWindow(), nullptr) << "the window stayed after the waits ended";

    ActiveShowAvi(nullptr, saRead);
    DeactiveShowAvi();
    QDialog next;
    next.show();
    EXPECT_EQ(visibleBusyWindow(), nullptr) << "a dialog shown after the last wait lies under the window";
}

TEST(BusyAnimationWindow, ShowsPerKindAndHidingWhenHiddenDoesNothing) {
    DeactiveShowAvi();
    const int hides = BusyAnimation::HideCount();
    DeactiveShowAvi();
    EXPECT_EQ(BusyAnimation::HideCount(), hides);

    ActiveShowAvi(nullptr, saRead);
    EXPECT_TRUE(BusyAnimation::IsShown());
    EXPECT_EQ(BusyAnimation::Kind(), saRead);
    ActiveShowAvi(nullptr, saSend);
    EXPECT_EQ(BusyAnimation::Kind(), saSend);
    DeactiveShowAvi();
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(BusyAnimation::HideCount(), hides + 1);
    EXPECT_STRNE(BusyAnimation::TextOf(saConnect), BusyAnimation::TextOf(saRead));
}
