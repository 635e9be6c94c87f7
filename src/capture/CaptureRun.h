#pragma once

#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "capture/TranslationDataSets.h"
#include "server/ServerLink.h"

#include "components/Messages.h"
#include "toolkit/StringList.h"

#include <QSet>

#include <chrono>

class CaptionScanner;

// A capture run, from the press of the import button: the language check, the program codes, the
// line count, the confirmation, the scan of every selected file and the version stamp. The
// selection holds still from the press until the run has ended, however it ends. New rows reach the server
// through the data sets' after-post events, bound by whoever owns the data sets.
class CaptureRun {
public:
    // languageCode is the module's, read afresh for every caption; the look-up may hand back a
    // new one.
    CaptureRun(CaptureView& view, TranslationDataSets& data, ServerLink& link, const TMessages& messages,
               AnsiString& languageCode);

    void Run();

    // Scans the lines of one form text for captions and records the new ones.
    void Import(const TStringList& lines, AnsiString programCode);

    // A scan is in progress / the user asked it to stop; the scan stops before its next line.
    bool Running() const { return running_; }
    bool CancelRequested() const { return cancelRequested_; }
    void RequestCancel() { cancelRequested_ = true; }

    // How often the scan moves the progress bar and lets events through; zero: after every line.
    std::chrono::milliseconds ProgressInterval{20};

    // A check scans and looks up every caption as a run does, but asks nothing, stores nothing,
    // reports no success and stamps no version. It records each caption a run would store once:
    // meeting it again, a run would find it stored.
    bool CheckOnly = false;
    // Told of each file, look-up and recorded caption; none by default.
    CaptureObserver* Observer = nullptr;
    // The capture command's way over a slow network (see PipelinedImport): a file's calls go out
    // without waiting for each answer, and changed and removed captions are told. The window
    // makes one call at a time.
    bool Pipelined = false;

private:
    bool languageIsKnown();
    // The program code of each selected file, in list order, each one fit to be stored.
    QList<AnsiString> checkedProgramCodes();
    void countLines();
    // Every value of every row a run may store fits its field.
    void checkRowValues(const QList<AnsiString>& programCodes);
    void scanSelectedFiles(const QList<AnsiString>& programCodes);
    void endScan();
    void stampVersion();
    void recordCaption(CaptionScanner& scan, int line);
    // What the server matches a row by: program, form, component, property and language
    // upper-cased, the value as looked up.
    QList<AnsiString> rowKey(const CaptionScanner& scan) const;

    CaptureView& view_;
    TranslationDataSets& data_;
    ServerLink& link_;
    const TMessages& messages_;
    AnsiString& languageCode_;
    bool running_ = false;
    bool cancelRequested_ = false;
    QString currentFile_;
    // The keys of the rows recorded so far: a check's, which a run would have stored by now, and a
    // pipelined run's, whose look-ups went out before the rows before them were stored.
    QSet<QList<AnsiString>> recordedRows_;
};
