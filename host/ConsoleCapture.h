#pragma once

#include "host/CaptureReport.h"

#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "selection/NameList.h"
#include "selection/SelectionView.h"
#include "server/LinkActivity.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdio>

// The capture as the command shows it on a console: the file lists are plain name lists, the
// directory and language are what the command line names, the confirmation is answered from the
// command line or on the terminal, and messages and progress are printed. What the run tells goes
// into the report.
class ConsoleCapture : public CaptureView, public SelectionView, public LinkActivity, public CaptureObserver {
    Q_DECLARE_TR_FUNCTIONS(ConsoleCapture)

public:
    struct Streams {
        FILE* in = stdin;
        FILE* out = stdout;
        FILE* err = stderr;
        // Where the progress bar goes: a terminal, or nothing.
        FILE* progress = nullptr;
    };

    ConsoleCapture(CaptureReport& report, bool answerYes, bool printNewCaptions, Streams streams);

    // The directory field's text and the language shown, as the command line names them.
    void SetDirectoryText(const QString& text) override { directory_ = text; }
    void ShowLanguage(const QString& text) { language_ = text; }

    const NameList& AvailableNames() const { return available_; }
    const NameList& SelectedNames() const { return selected_; }
    bool ImportEnabled() const { return importEnabled_; }
    // The confirmation was answered with anything but yes.
    bool Declined() const { return declined_; }
    // The error messages shown: each fails the command.
    const QStringList& Errors() const { return errors_; }
    // Files refused since the last call, each with its message.
    QStringList TakeRefusals();
    // Clears the progress bar's line, if any, before something else is printed.
    void ClearProgress();

    int SelectedCount() const override { return selected_.Count(); }
    QString SelectedFile(int index) const override { return selected_.Items(index); }
    QString LanguageText() const override { return language_; }
    void FocusLanguage() override {}
    void SetImportEnabled(bool enabled) override { importEnabled_ = enabled; }
    void SetSelectionEnabled(bool) override {}
    void SetStatus(const QString&) override {}
    void SetProgressMaximum(int maximum) override { progressMaximum_ = maximum; }
    void SetProgress(int position) override { progress_ = position; }
    void AdvanceProgress(int lines) override { progress_ += lines; }
    void ShowBusy(bool) override {}
    // Lets a stop signal reach the command, and redraws the progress bar now and then.
    void ProcessMessages() override;
    bool Confirm(const AnsiString& question) override;
    void ShowError(const AnsiString& text) override;
    void ShowSuccess(const AnsiString& text) override;

    QString DirectoryText() const override { return directory_; }
    ListControl& Available() override { return available_; }
    ListControl& Selected() override { return selected_; }
    // There is no directory dialog: the file lists open the directories named.
    bool ChooseDirectory(QString&) override { return false; }
    void RefuseFile(const QString& path, const AnsiString& message) override;

    void Begin(Wait) override {}
    void End() override {}

    void FileScanStarted(const QString& path, int lines) override;
    void CaptionLookedUp(const QString& path, int line) override;
    void CaptionRecorded(const RecordedCaption& caption) override;
    void RowStoring(const QString& path, int line) override;
    void CaptionRemoved(const QString& path, const StoredCaption& stored) override;

private:
    void drawProgress();

    CaptureReport& report_;
    bool answerYes_;
    bool printNewCaptions_;
    Streams streams_;
    NameList available_;
    NameList selected_;
    QString directory_;
    QString language_;
    bool importEnabled_ = false;
    bool declined_ = false;
    int progressMaximum_ = 0;
    int progress_ = 0;
    QElapsedTimer sinceDrawn_;
    bool progressShown_ = false;
    QStringList errors_;
    QStringList refusals_;
};
