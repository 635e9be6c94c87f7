#pragma once

#include "tests/support/ScriptedDialogs.h"
#include "tests/support/ServerProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class TfrmLeituraPocket;

// A real application server for the whole suite, the module pointed at it, and dialogs answered
// by the test.
class ModuleFixture : public testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    static ServerProcess& server() { return *server_; }
    static void pointModuleAt(int port);

    // Opens the capture window through the module's entry, runs body while it is shown
    // (inside its modal loop), then closes it unless body did. Returns when the entry returns.
    static void withWindow(const std::function<void(TfrmLeituraPocket&)>& body);

    ScriptedDialogsGuard dialogs;
    QStringList failures;

private:
    static std::unique_ptr<ServerProcess> server_;
};
