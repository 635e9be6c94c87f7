#pragma once

#include "toolkit/AnsiString.h"

#include <QString>

// A row a run stores, or in a check one a run would store, with the place of its caption: the
// line of the form text (of its text form, for a binary form), counted from 1.
struct RecordedCaption {
    QString file;
    int line = 0;
    AnsiString program;
    AnsiString form;
    AnsiString component;
    AnsiString property;
    AnsiString value;
    AnsiString language;
};

// What a capture run tells as it goes, for whoever reports on it.
class CaptureObserver {
public:
    virtual ~CaptureObserver() = default;

    // The scan of a file begins; lines: its form text's.
    virtual void FileScanStarted(const QString& path, int lines) = 0;
    // Before the look-up, so that a run that fails there is known to have stopped at this line.
    virtual void CaptionLookedUp(const QString& path, int line) = 0;
    virtual void CaptionRecorded(const RecordedCaption& caption) = 0;
};
