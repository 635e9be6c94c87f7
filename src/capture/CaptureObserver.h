#pragma once

#include "capture/ProgramChanges.h"

#include "toolkit/AnsiString.h"

#include <QString>

#include <optional>

// A caption the scan met and looks up, with its place: the line of the form text (of its text
// form, for a binary form), counted from 1.
struct LookedUpCaption {
    QString file;
    int line = 0;
    AnsiString program;
    AnsiString form;
    AnsiString component;
    AnsiString property;
    AnsiString value;
};

// A row a run stores, or in a check one a run would store, with the place of its caption; the
// names upper-cased and the value as stored.
struct RecordedCaption : LookedUpCaption {
    AnsiString language;
    // The stored row of the same form, component and property whose value this one replaces: a
    // changed caption. Told only where the run judges changes.
    std::optional<StoredCaption> replaced;
};

// What a capture run tells as it goes, for whoever reports on it.
class CaptureObserver {
public:
    virtual ~CaptureObserver() = default;

    // The scan of a file begins; lines: its form text's.
    virtual void fileScanStarted(const QString& path, int lines) = 0;
    // Before the look-up, so that a run that fails there is known to have stopped at this line.
    virtual void captionLookedUp(const LookedUpCaption& caption) = 0;
    virtual void captionRecorded(const RecordedCaption& caption) = 0;
    // Before the wait for the answer to the insert of the row of this line, so that a run that
    // fails there is known to have stopped at it.
    virtual void rowStoring(const QString& path, int line) = 0;
    // A stored row of a program the run scanned whose caption no file of the run holds any more;
    // path: the run's file of the row's form, else the program's first file. Told only after a
    // run that scanned every line of its files.
    virtual void captionRemoved(const QString& path, const StoredCaption& stored) = 0;
};
