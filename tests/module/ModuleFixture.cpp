#include "tests/module/ModuleFixture.h"

#include "components/ServerSettings.h"
#include "package/Cli_Vdr04000.h"
#include "toolkit/FailureHandling.h"
#include "window/LeituraPocket.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

std::unique_ptr<ServerProcess> ModuleFixture::server_;

void ModuleFixture::SetUpTestSuite() {
    server_ = std::make_unique<ServerProcess>();
    Initialize();
}

void ModuleFixture::TearDownTestSuite() {
    Finalize();
    server_.reset();
    ServerSettings::clearOverride();
}

void ModuleFixture::pointModuleAt(int port) {
    ServerSettings::setOverride({.host = QStringLiteral("127.0.0.1"), .port = port});
}

void ModuleFixture::SetUp() {
    pointModuleAt(server_->port());
    Toolkit::setFailureHandler(
        [this](const std::exception& failure) { failures.append(QString::fromUtf8(failure.what())); });
}

void ModuleFixture::TearDown() {
    Toolkit::setFailureHandler({});
    // Let windows closed by the test be freed before the next one starts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ModuleFixture::withWindow(const std::function<void(TfrmLeituraPocket&)>& body) {
    QTimer::singleShot(0, [body] {
        QPointer<TfrmLeituraPocket> form = frmLeituraPocket;
        ASSERT_TRUE(form) << "the entry showed no window";
        form->RunHandler([&] { body(*form); });
        if (form && form->isVisible())
            form->close();
    });
    IniProc();
}
