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
    void setDirectoryText(const QString& text) override { directory_ = text; }
    void showLanguage(const QString& text) { language_ = text; }

    const NameList& availableNames() const { return available_; }
    const NameList& selectedNames() const { return selected_; }
    bool importEnabled() const { return importEnabled_; }
    // The confirmation was answered with anything but yes.
    bool declined() const { return declined_; }
    // The error messages shown: each fails the command.
    const QStringList& errors() const { return errors_; }
    // Files refused since the last call, each with its message.
    QStringList takeRefusals();
    // Clears the progress bar's line, if any, before something else is printed.
    void clearProgress();

    int selectedCount() const override { return selected_.Count(); }
    QString selectedFile(int index) const override { return selected_.Items(index); }
    QString languageText() const override { return language_; }
    void focusLanguage() override {}
    void setImportEnabled(bool enabled) override { importEnabled_ = enabled; }
    void setSelectionEnabled(bool) override {}
    void setStatus(const QString&) override {}
    void setProgressMaximum(int maximum) override { progressMaximum_ = maximum; }
    void setProgress(int position) override { progress_ = position; }
    void advanceProgress(int lines) override { progress_ += lines; }
    void showBusy(bool) override {}
    // Lets a stop signal reach the command, and redraws the progress bar now and then.
    void processMessages() override;
    bool confirm(const AnsiString& question) override;
    void showError(const AnsiString& text) override;
    void showSuccess(const AnsiString& text) override;

    QString directoryText() const override { return directory_; }
    ListControl& available() override { return available_; }
    ListControl& selected() override { return selected_; }
    // There is no directory dialog: the file lists open the directories named.
    bool chooseDirectory(QString&) override { return false; }
    void refuseFile(const QString& path, const AnsiString& message) override;

    void begin(Wait) override {}
    void end() override {}

    void fileScanStarted(const QString& path, int lines) override;
    void captionLookedUp(const LookedUpCaption& caption) override;
    void captionRecorded(const RecordedCaption& caption) override;
    void rowStoring(const QString& path, int line) override;
    void captionRemoved(const QString& path, const StoredCaption& stored) override;

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
