#pragma once

#include "capture/CaptureLoop.h"
#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "capture/TranslationDataSets.h"
#include "server/ServerLink.h"

#include "components/Messages.h"
#include "toolkit/StringList.h"

#include <chrono>

// A capture run, from the press of the import button: the language check, the program codes, the
// line count, the confirmation, the scan of every selected file and the version stamp. The
// selection holds still from the press until the run has ended, however it ends. The scan phase is
// the capture loop over every selected file. New rows reach the server through the data sets'
// after-post events, bound by whoever owns the data sets.
class CaptureRun {
public:
    // languageCode is the module's, read afresh for every caption; the look-up may hand back a
    // new one.
    CaptureRun(CaptureView& view, TranslationDataSets& data, ServerLink& link, const TMessages& messages,
               AnsiString& languageCode);

    void run();

    // Scans the lines of one form text for captions and records the new ones: the loop over one file.
    void Import(const TStringList& lines, const AnsiString& programCode);

    // A scan is in progress / the user asked it to stop; the scan stops before its next line.
    bool running() const { return running_; }
    bool cancelRequested() const { return cancelRequested_; }
    void requestCancel() { cancelRequested_ = true; }

    // How often the scan moves the progress bar and lets events through; zero: after every line.
    std::chrono::milliseconds progressInterval{20};

    // A check scans and looks up every caption as a run does, but asks nothing, stores nothing,
    // reports no success and stamps no version. It records each caption a run would store once:
    // meeting it again, a run would find it stored.
    bool checkOnly = false;
    // Told of each file, look-up and recorded caption; none by default.
    CaptureObserver* observer = nullptr;
    // Bytes of calls in flight during the scan; zero, as in the window: one call at a time.
    qint64 roomInFlight = 0;
    // Changed and removed captions are judged and told (see CaptureLoop).
    bool judgeChanges = false;

private:
    bool languageIsKnown();
    // The program code of each selected file, in list order, each one fit to be stored.
    QList<AnsiString> checkedProgramCodes();
    // Counts the lines of every selected file for the progress bar, and finds in the same reading
    // any value of a row a run may store that does not fit its field.
    void countLines(const QList<AnsiString>& programCodes);
    void checkRowValues(const QString& path, const TStringList& lines, const AnsiString& programCode);
    void scanSelectedFiles(const QList<AnsiString>& programCodes);
    void endScan();
    void stampVersion();
    CaptureLoop::Settings loopSettings() const;

    CaptureView& view_;
    TranslationDataSets& data_;
    ServerLink& link_;
    const TMessages& messages_;
    AnsiString& languageCode_;
    bool running_ = false;
    bool cancelRequested_ = false;
};
