#include "tests/module/ModuleFixture.h"

#include "components/BusyAnimation.h"
#include "package/Cli_Vdr04000.h"
#include "widgets/Screen.h"
#include "window/LeituraPocket.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTcpServer>

using EntryLifecycle = ModuleFixture;

TEST_F(EntryLifecycle, EachEntryCallAfterACloseCreatesAFreshWindowAndFreesTheOldOne) {
    QPointer<TfrmLeituraPocket> first;
    withWindow([&](TfrmLeituraPocket& form) {
        first = &form;
        EXPECT_TRUE(boStcriado);
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.isModal());
        EXPECT_EQ(Screen::Cursor(), crDefault)
            << "once the window is shown, the pointer over it is the arrow";
        EXPECT_FALSE(BusyAnimation::OnScreen()) << "the busy window of its creation stands over it";
    });
    EXPECT_FALSE(boStcriado) << "closing clears the created flag";
    EXPECT_EQ(Screen::Cursor(), crDefault);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "a closed window is freed, not leaked";
    EXPECT_EQ(frmLeituraPocket, nullptr) << "the exported reference does not dangle";

    TfrmLeituraPocket* second = nullptr;
    withWindow([&](TfrmLeituraPocket& form) {
        second = &form;
        EXPECT_TRUE(boStcriado);
        EXPECT_TRUE(form.NetTradutor.Connected());
    });
    EXPECT_NE(second, nullptr);
    EXPECT_FALSE(boStcriado);
}

TEST_F(EntryLifecycle, TheWindowIsNotFreedWhileOneOfItsHandlersIsStillRunning) {
    bool aliveAfterClose = false;
    withWindow([&](TfrmLeituraPocket& form) {
        QPointer<TfrmLeituraPocket> guard = &form;
        form.close();
        QCoreApplication::processEvents();
        aliveAfterClose = !guard.isNull();
    });
    EXPECT_TRUE(aliveAfterClose);
}

TEST_F(EntryLifecycle, TheLanguageCodeOutlivesTheWindowThatChoseIt) {
    stIdiLeDfm.clear();
    withWindow([](TfrmLeituraPocket& form) {
        ASSERT_GE(form.cbbIdioma->count(), 1);
        form.cbbIdioma->setCurrentIndex(form.cbbIdioma->findText(QStringLiteral("ENG"), Qt::MatchStartsWith));
    });
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));

    withWindow([](TfrmLeituraPocket& form) {
        EXPECT_EQ(form.cbbIdioma->currentIndex(), -1) << "a new window shows no choice";
        EXPECT_TRUE(form.cbbIdioma->currentText().isEmpty());
        EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
    });
    EXPECT_EQ(stIdiLeDfm, AnsiString("ENG"));
}

TEST_F(EntryLifecycle, AFailedCreationLeavesNoWindowAndTheNextCallTriesAgain) {
    // A port that nothing listens on: take a free one and let it go again.
    int deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    pointModuleAt(deadPort);
    try {
        IniProc();
        FAIL() << "the entry should pass the connect failure on";
    } catch (const std::exception& failure) {
        EXPECT_TRUE(QString::fromUtf8(failure.what()).contains(QString::number(deadPort)))
            << "the error names the address: " << failure.what();
    }
    EXPECT_FALSE(boStcriado);
    EXPECT_EQ(frmLeituraPocket, nullptr);
    EXPECT_FALSE(BusyAnimation::IsShown());
    EXPECT_EQ(Screen::Cursor(), crDefault) << "no hourglass is left over a window that never opened";

    pointModuleAt(server().port());
    bool opened = false;
    withWindow([&](TfrmLeituraPocket&) { opened = true; });
    EXPECT_TRUE(opened);
}

TEST_F(EntryLifecycle, EscapeLeavesTheWindowOpenAndTheCancelButtonOutsideARunClosesIt) {
    bool closedByCancel = false;
    withWindow([&](TfrmLeituraPocket& form) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(form.focusWidget() ? form.focusWidget() : &form, &escape);
        QCoreApplication::processEvents();
        EXPECT_TRUE(form.isVisible() && !form.IsReleased()) << "Escape closed the window";
        form.sbtCancel->click();
        closedByCancel = !form.isVisible();
    });
    EXPECT_TRUE(closedByCancel);
    EXPECT_FALSE(boStcriado);
}

TEST(ModuleEntries, LoadClearsTheCreatedFlagAndUnloadReleasesTheStrings) {
    boStcriado = true;
    Initialize();
    EXPECT_FALSE(boStcriado);
    stIdiLeDfm = "POR";
    stTestProp = "x";
    Finalize();
    EXPECT_TRUE(stIdiLeDfm.isEmpty());
    EXPECT_TRUE(stTestProp.isEmpty());
    ASSERT_NE(GetPackageInfoTable(), nullptr);
    EXPECT_GT(GetPackageInfoTable()->unitCount, 0);
}
