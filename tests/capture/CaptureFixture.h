#pragma once

#include "package/Cli_Vdr04000.h"
#include "tests/support/SampleForms.h"
#include "tests/support/ServerRows.h"
#include "tests/support/WindowFixture.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

#include <functional>

// What the window says when a run has ended as it should.
inline const QString kSuccess = QStringLiteral("A importação foi realizada com sucesso!");

// The capture window against a real server of its own, with every remote call recorded with its
// arguments and every failure that reaches the toolkit's failure handling kept.
class CaptureFixture : public WindowFixture {
protected:
    struct Call {
        QString method;
        QJsonArray params;
    };

    void SetUp() override {
        WindowFixture::SetUp();
        ASSERT_TRUE(form);
        // These tests look at the window after every line; the paced progress has tests of its own.
        form->Capture.ProgressInterval = std::chrono::milliseconds(0);
        form->NetTradutor.OnCall = [this](const QString& method, const QJsonArray& params) {
            calls.append(method);
            lastParams = params;
            callLog.append({method, params});
        };
        previousHandler_ = Toolkit::setFailureHandler([this](const std::exception& failure) {
            const auto* known = dynamic_cast<const Exception*>(&failure);
            failures.append(known ? known->message() : QString::fromUtf8(failure.what()));
        });
    }

    void TearDown() override {
        Toolkit::setFailureHandler(std::move(previousHandler_));
        stIdiLeDfm.clear();
        WindowFixture::TearDown();
    }

    // The arguments of every call of method, in order.
    QList<QJsonArray> paramsOf(const QString& method) const {
        QList<QJsonArray> found;
        for (const Call& call : callLog)
            if (call.method == method)
                found.append(call.params);
        return found;
    }

    void forgetCalls() {
        calls.clear();
        callLog.clear();
    }

    // Names the directory and puts the files straight into the selected list.
    void selectFiles(const FormFolder& folder, const QStringList& names) {
        form->edtDiretorio->setText(folder.path());
        for (const QString& name : names)
            form->lsbSelec->Add(folder.filePath(name));
    }

    // Chooses the language item whose code is code, as a user picking it in the box.
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

    QList<Call> callLog;
    QStringList failures;

private:
    Toolkit::FailureHandler previousHandler_;
};
