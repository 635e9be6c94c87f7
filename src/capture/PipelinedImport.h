#pragma once

#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "capture/FormChanges.h"
#include "server/ServerLink.h"

#include "toolkit/StringList.h"

#include <QSet>

#include <chrono>

// One form file's capture as the capture command runs it, for a slow network: the file is scanned
// first; its captions are looked up without waiting for each answer, together with the stored rows
// of each form it holds; then the new rows go out the same way, one insert each, in the order met.
// Requests and their order are a sequential run's; only the waits between them go. What it tells
// the observer, and what it stores, are a sequential run's too, and each new caption that replaces
// a stored value of the same component is told as changed, and each stored row the file no longer
// holds as removed.
class PipelinedImport {
public:
    // What the run lends each file.
    struct Run {
        CaptureView& view;
        ServerLink& link;
        CaptureObserver* observer;
        // The keys of the rows recorded so far in the run: meeting one again, a run would find it
        // stored.
        QSet<QList<AnsiString>>& recordedRows;
        const bool& cancelRequested;
        bool checkOnly;
        std::chrono::milliseconds progressInterval;
    };

    PipelinedImport(Run run, QString file, AnsiString programCode, AnsiString languageCode);

    void Import(const TStringList& lines);

private:
    struct Caption {
        int line = 0;
        AnsiString form, component, property, language;
        AnsiString lookupValue, storedValue;
        bool recorded = false; // known, or repeating one recorded before
        std::optional<StoredCaption> replaced;
    };
    struct Form {
        AnsiString name;
        QList<StoredCaption> stored;
        bool read = false;
    };

    // True when the scan went to the end of the file.
    bool scan(const TStringList& lines);
    // True when every caption was looked up.
    bool lookUp();
    void tellChanges(bool wholeFile);
    void store();
    RecordedCaption recordOf(const Caption& caption) const;
    QList<AnsiString> rowKey(const Caption& caption) const;
    void paceProgress();

    Run run_;
    QString file_;
    AnsiString program_;
    AnsiString language_;
    QList<Caption> captions_;
    QList<Form> forms_;
    QList<StoredCaption> removed_;
    int paced_ = 0;
};
