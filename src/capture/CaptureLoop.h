#pragma once

#include "capture/CaptureObserver.h"
#include "capture/CaptureView.h"
#include "capture/ProgramChanges.h"
#include "capture/TranslationDataSets.h"
#include "server/ServerLink.h"

#include "toolkit/StringList.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <chrono>
#include <memory>

class CaptionScanner;

// The capture loop, the window's and the command's alike: it scans form texts line by line, looks
// each caption up as the scan meets it and stores every new one as a translation row, posted into
// the translation rows' data set, whose owner sends it. Through the link's call flow: with one call
// at a time, each caption is looked up, and a new one stored, before the scan reads on; with room
// in flight, the scan reads on while the answers come back, over every file of the run.
//
// Where it judges changes, it reads at the end the stored rows of each program it scanned, page by
// page, and tells each new caption that replaces a value stored before the run as changed, and each
// stored row no caption of the run met as removed.
//
// A stop (the cancel flag) takes effect before the scan's next line and, with calls in flight,
// before the next answer: the look-ups on their way are dropped, the rows on their way stored and
// told, as if the scan had stopped at the last caption whose answer it took.
class CaptureLoop {
public:
    struct Settings {
        // Looks up every caption but stores nothing; records each row a run would store once.
        bool checkOnly = false;
        bool judgeChanges = false;
        // How often the scan moves the progress bar and lets events through; zero: after every line.
        std::chrono::milliseconds progressInterval{20};
        CaptureObserver* observer = nullptr;
    };

    // languageCode is the module's, read afresh for every caption; a look-up may hand back a new
    // one. The scan stops before its next line once cancelRequested is set.
    CaptureLoop(CaptureView& view, TranslationDataSets& data, ServerLink& link, AnsiString& languageCode,
                const bool& cancelRequested, Settings settings);

    void scan(const QString& file, const TStringList& lines, const AnsiString& programCode);
    // Waits for the answers still on their way, judges the changes and tells what was recorded.
    // After a stop, the answers still on their way but the rows' are dropped and nothing is judged.
    void finish();
    // After a failure: tells the rows recorded and not told yet, as they are.
    void tellUnjudged();

private:
    struct Caption;
    struct Recorded {
        RecordedCaption caption;
        int change = -1; // its number in its program's changes
    };

    void lookUp(CaptionScanner& scan, int line, const QString& file);
    void take(Caption& caption, const QJsonValue& result);
    void record(const Caption& caption, int change);
    void tell(const RecordedCaption& caption, int change);
    void readStoredRows(const AnsiString& program, const AnsiString& cursor);
    void paceAnswers();

    CaptureView& view_;
    TranslationDataSets& data_;
    ServerLink& link_;
    AnsiString& languageCode_;
    const bool& cancelRequested_;
    Settings settings_;

    // The scan that stands at the caption looked up last: its answer may rename the names.
    CaptionScanner* scan_ = nullptr;
    int scanLine_ = 0;
    quint64 captionsMet_ = 0;
    // What the server matches a row by, of every row recorded: meeting one again, a run would
    // find it stored.
    QSet<QList<AnsiString>> recorded_;
    QList<Recorded> untold_;
    QHash<AnsiString, ProgramChanges> programs_;
    QList<AnsiString> programOrder_;
    int answers_ = 0;
};
