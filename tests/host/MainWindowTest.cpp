#include "host/MainWindow.h"
#include "host/ModuleLoader.h"
#include "tests/host/FakeModuleProbe.h"

#include "components/ServerSettings.h"
#include "toolkit/FailureHandling.h"
#include "widgets/Application.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHandler_ = Toolkit::setFailureHandler([this](const std::exception& failure) {
            failures_.push_back(QString::fromUtf8(failure.what()));
        });
        ServerSettings::clearOverride();
    }
    void TearDown() override {
        Toolkit::setFailureHandler(previousHandler_);
        ServerSettings::clearOverride();
    }

    static QAction* action(const MainWindow& window, const char* name) {
        auto* found = window.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QString statusText(const MainWindow& window) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("serverAddress"));
        return label ? label->text() : QString();
    }

    QStringList failures_;

private:
    Toolkit::FailureHandler previousHandler_;
};

TEST_F(MainWindowTest, IsTheApplicationsMainFormWithTheHostsMenus) {
    ModuleLoader module(kFakeModule);
    MainWindow window(module);
    EXPECT_EQ(Application::MainForm(), &window);
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("Tradutor")));

    QStringList menus;
    for (const QAction* entry : window.menuBar()->actions())
        menus << entry->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&Modules"), QStringLiteral("&Settings"),
                                  QStringLiteral("&Quit")}));
    EXPECT_EQ(action(window, "actionCapture")->text(), QStringLiteral("Pocket Files Reading (ebf's)..."));
    EXPECT_EQ(action(window, "actionServerSettings")->text(), QStringLiteral("Application Server..."));
}

TEST_F(MainWindowTest, CaptureEntryLoadsTheModuleOnceAndRunsItsEntryEachTime) {
    FakeModuleProbe probe(kFakeModule);
    ModuleLoader module(kFakeModule);
    MainWindow window(module);
    EXPECT_FALSE(module.isLoaded());

    action(window, "actionCapture")->trigger();
    action(window, "actionCapture")->trigger();
    EXPECT_EQ(probe.record().calls, "IEE");
    EXPECT_TRUE(failures_.isEmpty()) << failures_.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, AFailureOfTheModuleEndsInTheFailureHandling) {
    FakeModuleProbe probe(kFakeModule);
    probe.record().entryFails = true;
    ModuleLoader module(kFakeModule);
    MainWindow window(module);

    window.openCapture();
    EXPECT_EQ(failures_, QStringList{QStringLiteral("The capture window failed")});
}

TEST_F(MainWindowTest, AModuleThatCannotBeLoadedEndsInTheFailureHandlingNamingIt) {
    const QString path = QStringLiteral("/nonexistent/vdr/libCli_Vdr04000.so");
    ModuleLoader module(path);
    MainWindow window(module);

    action(window, "actionCapture")->trigger();
    ASSERT_EQ(failures_.size(), 1);
    EXPECT_TRUE(failures_.constFirst().contains(path)) << failures_.constFirst().toStdString();
}

TEST_F(MainWindowTest, StatusBarShowsTheAddressInUse) {
    ServerSettings::setOverride({.host = QStringLiteral("first.example.org"), .port = 4101});
    ModuleLoader module(kFakeModule);
    MainWindow window(module);
    EXPECT_TRUE(statusText(window).contains(QStringLiteral("first.example.org:4101")))
        << statusText(window).toStdString();

    ServerSettings::setOverride(
        {.host = QStringLiteral("::1"), .port = 4102, .tokenFile = QStringLiteral("/run/vdr/token")});
    window.refreshServerAddress();
    EXPECT_TRUE(statusText(window).contains(QStringLiteral("[::1]:4102")))
        << statusText(window).toStdString();
    EXPECT_TRUE(statusText(window).contains(QStringLiteral("/run/vdr/token")));
}

} // namespace
