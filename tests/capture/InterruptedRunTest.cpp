#include "tests/support/WindowFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>

// Capture runs that do not go to their end: cancelled, closed or cut off from the server.
using InterruptedRun = WindowFixture;

namespace {

// Forms A.Ebf, B.Ebf, ... with three labels each: frmA with captions A1, A2, A3, and so on.
constexpr int kFormLines = 17;

QStringList writeLetterForms(FormFolder& folder, const QString& letters) {
    QStringList names;
    for (const QChar letter : letters) {
        const AnsiString l(1, letter.toLatin1());
        folder.write(letter + QStringLiteral(".Ebf"),
                     SampleForms::labelForm("frm" + l, {l + "1", l + "2", l + "3"}));
        names.append(letter + QStringLiteral(".Ebf"));
    }
    return names;
}

QString letterRow(char letter, int number) {
    const QString l(QLatin1Char{letter});
    return captionRow(l, QStringLiteral("FRM") + l, QStringLiteral("LBL%1").arg(number),
                      l + QString::number(number));
}

} // namespace

TEST_F(InterruptedRun, ACancelDuringTheSecondOfFourFilesEndsTheScanThereAndTheRunAsUsual) {
    FormFolder folder;
    selectFiles(folder, writeLetterForms(folder, QStringLiteral("ABCD")));
    chooseLanguage(QStringLiteral("POR"));
    // Pressed while the second file's second caption has just been stored; it reaches the window
    // the way a click does, while the scan lets events through.
    const int cancelAt = kFormLines + SampleForms::labelCaptionLine(1);
    int furthest = 0;
    QString statusAtCancel;
    onProgress([&](int value) {
        furthest = std::max(furthest, value);
        if (value == cancelAt) {
            statusAtCancel = form->lblStatus->text();
            QMetaObject::invokeMethod(form->sbtCancel, &QAbstractButton::click, Qt::QueuedConnection);
        }
    });

    clickImport();

    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(furthest, cancelAt) << "no line is visited after the cancel";
    EXPECT_EQ(form->pgbProgresso->maximum(), 4 * kFormLines);
    EXPECT_EQ(rowsOnServer(), (QStringList{letterRow('A', 1), letterRow('A', 2), letterRow('A', 3),
                                           letterRow('B', 1), letterRow('B', 2)}));
    EXPECT_EQ(callsOf(QStringLiteral("GetPropried")), 5);
    EXPECT_EQ(dialogs->texts().last(), kSuccess);
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(versionStamp(server).has_value());

    EXPECT_FALSE(statusAtCancel.isEmpty());
    EXPECT_EQ(form->lblStatus->text(), QString());
    EXPECT_EQ(form->pgbProgresso->value(), 0);
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
    EXPECT_FALSE(form->Running());
    EXPECT_FALSE(form->CancelRequested());
    EXPECT_FALSE(form->IsReleased()) << "a cancel during a run does not close the window";
}

TEST_F(InterruptedRun, TheServerFailingMidRunKeepsWhatWasStoredAndResetsTheWindow) {
    FormFolder folder;
    selectFiles(folder, writeLetterForms(folder, QStringLiteral("AB")));
    chooseLanguage(QStringLiteral("POR"));
    QString statusAtStop;
    onProgress([&](int value) {
        if (value == SampleForms::labelCaptionLine(1) && server.running()) {
            statusAtStop = form->lblStatus->text();
            server.stop(true);
        }
    });

    clickImport();

    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(server.port())))
        << failures[0].toStdString();
    EXPECT_FALSE(dialogs->texts().contains(kSuccess));
    EXPECT_FALSE(statusAtStop.isEmpty());
    EXPECT_EQ(form->lblStatus->text(), QString());
    EXPECT_EQ(form->pgbProgresso->value(), 0);
    EXPECT_TRUE(form->sbtImportExport->isEnabled());
    EXPECT_FALSE(form->Running());
    EXPECT_FALSE(form->CancelRequested());

    server.restart();
    EXPECT_EQ(rowsOnServer(), (QStringList{letterRow('A', 1), letterRow('A', 2)}));
}

TEST_F(InterruptedRun, ClosingTheWindowDuringARunCancelsItAndClosesItOnceTheRunHasEnded) {
    FormFolder folder;
    selectFiles(folder, writeLetterForms(folder, QStringLiteral("ABC")));
    chooseLanguage(QStringLiteral("POR"));
    form->show();
    onProgress([&](int value) {
        if (value == SampleForms::labelCaptionLine(1))
            QMetaObject::invokeMethod(form.get(), &QWidget::close, Qt::QueuedConnection);
    });
    bool openAtSuccess = false;
    bool connectedAtSuccess = false;
    dialogs->onMessage = [&](const ScriptedDialogs::Shown& shown) {
        if (shown.text == kSuccess) {
            openAtSuccess = form->isVisible() && !form->IsReleased();
            connectedAtSuccess = form->NetTradutor.Connected();
        }
    };

    clickImport();
    TfrmLeituraPocket* window = form.release();
    const QPointer<TfrmLeituraPocket> alive = window;

    EXPECT_TRUE(failures.isEmpty()) << "something ran on a closed connection: "
                                    << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(openAtSuccess) << "the window closed before the run had ended";
    EXPECT_TRUE(connectedAtSuccess);
    EXPECT_EQ(rowsOnServer(), (QStringList{letterRow('A', 1), letterRow('A', 2)}));
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"GetVersao", "SetVersao"}));
    EXPECT_TRUE(versionStamp(server).has_value());

    EXPECT_TRUE(window->IsReleased());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->NetTradutor.Connected());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    delete alive.data(); // only when the window failed to free itself
}

// The same close with the window opened as a host opens it: modally, through the module's entry.
TEST(InterruptedModalRun, ClosingTheWindowDuringARunEndsTheEntryOnceTheRunHasEnded) {
    ServerProcess server;
    ScriptedDialogsGuard dialogs;
    ServerSettings::setOverride(server.host(), server.port());
    QStringList failures;
    Toolkit::FailureHandler previous = Toolkit::setFailureHandler(
        [&failures](const std::exception& failure) { failures.append(QString::fromUtf8(failure.what())); });
    FormFolder folder;
    const QStringList names = writeLetterForms(folder, QStringLiteral("ABC"));
    Initialize();

    bool drove = false;
    QTimer::singleShot(0, [&] {
        const QPointer<TfrmLeituraPocket> window = frmLeituraPocket;
        ASSERT_TRUE(window) << "the entry showed no window";
        window->edtDiretorio->setText(folder.path());
        for (const QString& name : names)
            window->lsbSelec->Add(folder.filePath(name));
        window->cbbIdioma->setCurrentIndex(
            window->cbbIdioma->findText(QStringLiteral("POR-"), Qt::MatchStartsWith));
        TfrmLeituraPocket* target = window.data();
        target->Capture.ProgressInterval = std::chrono::milliseconds(0);
        QObject::connect(window->pgbProgresso, &QProgressBar::valueChanged, target, [target](int value) {
            if (value == SampleForms::labelCaptionLine(1))
                QMetaObject::invokeMethod(target, &QWidget::close, Qt::QueuedConnection);
        });
        window->sbtImportExport->click();
        drove = true;
    });
    // Were the window to stay open after the run, the entry would never return.
    bool stayedOpen = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&stayedOpen] {
        if (frmLeituraPocket && frmLeituraPocket->isVisible()) {
            stayedOpen = true;
            frmLeituraPocket->close();
        }
    });
    rescue.start(10000);

    IniProc();
    rescue.stop();

    EXPECT_TRUE(drove);
    EXPECT_FALSE(stayedOpen) << "the window did not close after the run";
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs->texts().last(), kSuccess);
    EXPECT_EQ(describeRows(exportedRows(server)), (QStringList{letterRow('A', 1), letterRow('A', 2)}));
    EXPECT_TRUE(versionStamp(server).has_value());
    EXPECT_FALSE(boStcriado);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmLeituraPocket, nullptr);

    Finalize();
    Toolkit::setFailureHandler(std::move(previous));
    ServerSettings::clearOverride();
}
