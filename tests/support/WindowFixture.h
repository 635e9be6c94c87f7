#pragma once

#include "tests/support/FormFolder.h"
#include "tests/support/ListBoxTexts.h"
#include "tests/support/RemoteCallLog.h"
#include "tests/support/SampleForms.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/ServerRows.h"
#include "tests/support/TranslationRowPost.h"

#include "package/Cli_Vdr04000.h"
#include "window/LeituraPocket.h"

#include "components/BusyAnimation.h"
#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// What the window says when a run has ended as it should.
inline const QString kSuccess = QStringLiteral("A importação foi realizada com sucesso!");

// A capture window created (connected, languages loaded) against a real server of its own, with
// every remote call it makes recorded with its arguments, every dialog scripted and recorded,
// and every failure that reaches the toolkit's failure handling kept. The module's language code
// is reset around each test, because the window shares it with the next.
class WindowFixture : public testing::Test, protected RemoteCallLog {
protected:
    void SetUp() override {
        stIdiLeDfm.clear();
        ServerSettings::setOverride({.host = server.host(), .port = server.port()});
        beforeWindow();
        form = createWindow();
        ASSERT_TRUE(form);
        // These tests look at the window after every line; the paced progress has tests of its own.
        form->capture.progressInterval = std::chrono::milliseconds(0);
        record(form->NetTradutor);
        previousHandler_ = Toolkit::setFailureHandler([this](const std::exception& failure) {
            const auto* known = dynamic_cast<const Exception*>(&failure);
            failures.append(known ? known->message() : QString::fromUtf8(failure.what()));
        });
    }

    void TearDown() override {
        Toolkit::setFailureHandler(std::move(previousHandler_));
        form.reset();
        ServerSettings::clearOverride();
        stIdiLeDfm.clear();
    }

    // Runs before the window is created: the place to prepare the server or the module state.
    virtual void beforeWindow() {}

    static std::unique_ptr<TfrmLeituraPocket> createWindow() {
        return std::unique_ptr<TfrmLeituraPocket>(TfrmPadrImportExport::Create<TfrmLeituraPocket>(nullptr));
    }

    // Asks the server, through the window's own reading call, how many rows match.
    int storedRows(AnsiString program, AnsiString component, AnsiString value, AnsiString language = "POR") {
        AnsiString formName = "frmCliente";
        AnsiString property = "CAPTION";
        form->link.callGetPropried(form->data.cdsPropried, program, formName, component, property, "0", value,
                                   language);
        return form->data.cdsPropried.RecordCount();
    }

    // Names the directory and puts the files straight into the selected list.
    void selectFiles(const FormFolder& folder, const QStringList& names) {
        form->edtDiretorio->setText(folder.path());
        for (const QString& name : names)
            form->lsbSelec->Add(folder.filePath(name));
    }

    // Picks the box's entry starting with code, as a pick from the drop-down does.
    void chooseLanguage(const QString& code) {
        const int index = form->cbbIdioma->findText(code + QLatin1Char('-'), Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << "the box lists no language " << code.toStdString();
        form->cbbIdioma->setCurrentIndex(index);
    }

    // Presses the import button; it must be enabled, as for a user.
    void clickImport() {
        ASSERT_TRUE(form->sbtImportExport->isEnabled());
        form->sbtImportExport->click();
    }

    // Runs body each time the progress bar moves, with its new position: the scan has just
    // finished that many lines.
    void onProgress(std::function<void(int)> body) {
        QObject::connect(form->pgbProgresso, &QProgressBar::valueChanged, form.get(), std::move(body));
    }

    QStringList rowsOnServer() const { return describeRows(exportedRows(server)); }

    ScriptedDialogsGuard dialogs;
    ServerProcess server;
    std::unique_ptr<TfrmLeituraPocket> form;
    QStringList failures;

private:
    Toolkit::FailureHandler previousHandler_;
};
