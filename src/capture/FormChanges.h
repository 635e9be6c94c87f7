#pragma once

#include "toolkit/AnsiString.h"

#include <QDateTime>
#include <QList>

#include <optional>

// A translation row the table holds for a form, as stored.
struct StoredCaption {
    AnsiString program;
    AnsiString form;
    AnsiString component;
    AnsiString property;
    AnsiString value;
    AnsiString language;
    QDateTime updated; // invalid when never set
};

// What became of one form's stored captions after a scan of it. The server's look-up is the judge
// of "known"; this tells, of the captions it did not know, those that replace another value of the
// same component and property (changed), and which stored rows the scan did not meet (removed).
// The rule of the server's matching applies: names compared after a–z upper-casing, the stored
// value right-trimmed against the value looked up.
class FormChanges {
public:
    struct Scanned {
        AnsiString component;
        AnsiString property;
        AnsiString lookupValue;
        // The server knew it or it repeats one already recorded: not a row a run would insert.
        bool recorded = false;
    };

    FormChanges(QList<StoredCaption> stored, const QList<Scanned>& scanned);

    // For each scanned caption, the stored row whose value it replaces: the latest of those of
    // its component and property that the scan did not meet. None for a known or repeated
    // caption, and for a new one with nothing to replace.
    const QList<std::optional<StoredCaption>>& replaced() const { return replaced_; }
    // The stored rows the scan did not meet and no changed caption replaces, in stored order.
    const QList<StoredCaption>& removed() const { return removed_; }

private:
    QList<std::optional<StoredCaption>> replaced_;
    QList<StoredCaption> removed_;
};
