#include "tests/module/ModuleFixture.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>

// The capture as the user drives it through the window: the import and cancel buttons reach the
// run, the status label and the progress bar show it, and a close waits for it to end.

namespace {

// One form of three labels; each run here is interrupted once the second caption is stored.
constexpr int kFormLines = 17;
constexpr int kInterruptAt = SampleForms::labelCaptionLine(1);

QString writeForm(FormFolder& folder) {
    folder.write(QStringLiteral("Rotulos.Ebf"), SampleForms::labelForm("frmRotulos", {"Um", "Dois", "Tres"}));
    return QStringLiteral("Rotulos.Ebf");
}

const QStringList kRowsUpToTheInterruption{captionRow("ROTULOS", "FRMROTULOS", "LBL1", "Um"),
                                           captionRow("ROTULOS", "FRMROTULOS", "LBL2", "Dois")};

} // namespace

using WindowCapture = WindowFixture;

TEST_F(WindowCapture, ACancelClickedDuringARunStopsTheScanThereAndLeavesTheWindowOpen) {
    FormFolder folder;
    selectFiles(folder, {writeForm(folder)});
    chooseLanguage(QStringLiteral("POR"));
    // Clicked while the second caption has just been stored; it reaches the window the way a
    // click does, while the scan lets events through.
    int furthest = 0;
    QString statusAtCancel;
    onProgress([&](int value) {
        furthest = std::max(furthest, value);
        if (value == kInterruptAt) {
            statusAtCancel = form->lblStatus->text();
            QMetaObject::invokeMethod(form->sbtCancel, &QAbstractButton::click, Qt::QueuedConnection);
        }
    });

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(furthest, kInterruptAt) << "no line is visited after the cancel";
    EXPECT_EQ(form->pgbProgresso->maximum(), kFormLines);
    EXPECT_EQ(rowsOnServer(), kRowsUpToTheInterruption);
    EXPECT_FALSE(statusAtCancel.isEmpty());
    EXPECT_EQ(form->lblStatus->text(), QString());
    EXPECT_EQ(form->pgbProgresso->value(), 0);
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
    EXPECT_FALSE(form->running());
    EXPECT_FALSE(form->IsReleased()) << "a cancel during a run does not close the window";
}

// The window opened as a host opens it: modally, through the module's entry.
TEST_F(WindowCapture, DuringARunTheControlsOfTheSelectionTakeNoInputNorDoesEscapeStopItAndAfterItTheyDo) {
    FormFolder folder;
    selectFiles(folder, {writeForm(folder)});
    chooseLanguage(QStringLiteral("POR"));
    const QList<QWidget*> selection{form->edtDiretorio, form->sbtDiretorio, form->sbtDireita,
                                    form->sbtTudoDir,   form->sbtEsquerda,  form->sbtTudoEsq,
                                    form->lsbDisp,      form->lsbSelec,     form->cbbIdioma};
    // The import pressed while the directory field has the focus: the run disabling the field is
    // no leaving of it, which would list the directory's *.Dfm files.
    folder.file(QStringLiteral("Tela.Dfm"));
    form->show();
    QApplication::setActiveWindow(form.get());
    form->edtDiretorio->setFocus();
    ASSERT_TRUE(form->edtDiretorio->hasFocus());
    QStringList enabledDuringRun;
    int selectedDuringRun = -1;
    int availableDuringRun = -1;
    onProgress([&](int value) {
        if (value != kInterruptAt)
            return;
        for (QWidget* control : selection)
            if (control->isEnabled())
                enabledDuringRun.append(control->objectName());
        form->sbtTudoEsq->click(); // a disabled button takes no click
        selectedDuringRun = form->lsbSelec->Count();
        availableDuringRun = form->lsbDisp->Count();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(),
                                &escape);
    });

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(enabledDuringRun.isEmpty()) << enabledDuringRun.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(selectedDuringRun, 1);
    EXPECT_EQ(availableDuringRun, 0);
    EXPECT_EQ(rowsOnServer().size(), 3) << "the whole form was scanned";
    EXPECT_TRUE(form->isVisible() && !form->IsReleased()) << "Escape closed the window";
    for (QWidget* control : selection)
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
}

// The window and the capture command are one capture: over the same forms, each on a server of its
// own, they store the same rows in the same order.
TEST_F(WindowCapture, TheWindowAndTheCaptureCommandStoreTheSameRowsOverTheSameForms) {
    FormFolder folder;
    folder.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
    folder.write(QStringLiteral("Produto.Ebf"), SampleForms::labelForm("frmProduto", {"C\xF3"
                                                                                      "digo",
                                                                                      "Pre\xE7o"}));
    writeForm(folder);
    const QStringList names{"Cliente.Ebf", "Produto.Ebf", "Rotulos.Ebf"};
    selectFiles(folder, names);
    chooseLanguage(QStringLiteral("POR"));
    clickImport();
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();

    ServerProcess commandServer;
    const CaptureResult command =
        runCapture(QStringList{QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--yes")} +
                   serverOption(commandServer) + QStringList{folder.path()});
    ASSERT_EQ(command.exitCode, 0) << command.err.toStdString();
    EXPECT_EQ(describeRows(exportedRows(commandServer)), rowsOnServer());
    EXPECT_EQ(rowsOnServer().filter(QStringLiteral("ROTULOS ")).size(), 3);
}

TEST_F(WindowCapture, NoBusyWindowLingersOverTheRunsMessageOrOverTheWindowAfterADeclinedRun) {
    FormFolder folder;
    selectFiles(folder, {writeForm(folder)});
    chooseLanguage(QStringLiteral("POR"));
    bool busyAtSuccess = true;
    dialogs->onMessage = [&](const ScriptedDialogs::Shown& shown) {
        if (shown.text == kSuccess)
            busyAtSuccess = BusyAnimation::OnScreen();
    };
    clickImport();
    EXPECT_FALSE(busyAtSuccess);

    dialogs->answers = {mrNo};
    clickImport(); // declined: only the version stamp is read and sent
    EXPECT_FALSE(BusyAnimation::OnScreen());
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}

using ModalWindowCapture = ModuleFixture;

TEST_F(ModalWindowCapture, ClosingTheWindowDuringARunCancelsItThenClosesAndFreesTheWindowAndTheEntryReturns) {
    FormFolder folder;
    const QString name = writeForm(folder);
    QPointer<TfrmLeituraPocket> window;
    QStringList calls;
    bool openAtSuccess = false;
    bool connectedAtSuccess = false;
    bool stayedOpen = true;
    bool releasedAfterRun = false;
    bool connectedAfterRun = true;
    withWindow([&](TfrmLeituraPocket& form) {
        window = &form;
        form.capture.progressInterval = std::chrono::milliseconds(0);
        form.NetTradutor.onCall = [&calls](const QString& method, const QJsonArray&) {
            calls.append(method);
        };
        form.edtDiretorio->setText(folder.path());
        form.lsbSelec->Add(folder.filePath(name));
        form.cbbIdioma->setCurrentIndex(
            form.cbbIdioma->findText(QStringLiteral("POR-"), Qt::MatchStartsWith));
        QObject::connect(form.pgbProgresso, &QProgressBar::valueChanged, &form, [&form](int value) {
            if (value == kInterruptAt)
                QMetaObject::invokeMethod(&form, &QWidget::close, Qt::QueuedConnection);
        });
        dialogs->onMessage = [&](const ScriptedDialogs::Shown& shown) {
            if (shown.text == kSuccess) {
                openAtSuccess = form.isVisible() && !form.IsReleased();
                connectedAtSuccess = form.NetTradutor.Connected();
            }
        };

        form.sbtImportExport->click();
        // Were the window still open here, the entry would return only because the test closes it.
        stayedOpen = form.isVisible();
        releasedAfterRun = form.IsReleased();
        connectedAfterRun = form.NetTradutor.Connected();
    });

    EXPECT_TRUE(failures.isEmpty()) << "something ran on a closed connection: "
                                    << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(openAtSuccess) << "the window closed before the run had ended";
    EXPECT_TRUE(connectedAtSuccess);
    EXPECT_FALSE(stayedOpen) << "the window did not close after the run";
    EXPECT_TRUE(releasedAfterRun);
    EXPECT_FALSE(connectedAfterRun);
    EXPECT_EQ(dialogs->texts().last(), kSuccess);
    EXPECT_EQ(describeRows(exportedRows(server())), kRowsUpToTheInterruption);
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(versionStamp(server()).has_value());
    EXPECT_FALSE(boStcriado);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(frmLeituraPocket, nullptr);
}
