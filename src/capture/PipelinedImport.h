#pragma once

#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "capture/FormChanges.h"
#include "server/ServerLink.h"

#include "toolkit/StringList.h"

#include <QSet>

#include <chrono>

// One form file's capture as the capture command runs it, for a slow network: the file is scanned
// first; its captions are looked up without waiting for each answer, then the stored rows of each
// form it holds are read; then the new rows go out the same way, one insert each, in the order met.
// The look-ups and the inserts, each in their order, are a sequential run's; only the waits between
// them go. A run that goes to its end stores and tells what a sequential one does, and besides
// tells each new caption that replaces a stored value of its component as changed, and each stored
// row the file no longer holds as removed. A refused insert stops the sending, but the inserts
// already on their way are stored and told.
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
