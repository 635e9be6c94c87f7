#pragma once

#include "toolkit/AnsiString.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// A translation row the table holds, as stored.
struct StoredCaption {
    AnsiString program;
    AnsiString form;
    AnsiString component;
    AnsiString property;
    AnsiString value;
    AnsiString language;
    QDateTime updated; // invalid when never set
};

// What became of the stored captions of one program in one language after a run over its files,
// whichever directories they stand in and whatever forms they hold. The server's look-up is the
// judge of "known"; this tells, of the captions it did not know, those that replace another value
// of the same form, component and property (changed), and which stored rows no caption of the run
// met (removed). The rule of the server's matching applies: names compared after a–z
// upper-casing, the stored value right-trimmed against the value looked up.
//
// The stored rows come page by page; only those that may still be replaced or removed are kept,
// so a program whose forms are unchanged costs no memory for its stored side.
class ProgramChanges {
public:
    struct Removed {
        QString file; // the run's file of the row's form; else the program's first file
        StoredCaption stored;
    };

    // A file of the program the run scans, in the order scanned.
    void fileScanned(const QString& file);
    // A caption of the run, in the order met; known: the server holds it, or the run recorded the
    // same row before. Hands back its number for replaced().
    int add(const QString& file, const AnsiString& form, const AnsiString& component,
            const AnsiString& property, const AnsiString& lookupValue, bool known);
    // The next stored rows, in stored order. Rows the run inserted itself are met by the captions
    // that made them.
    void take(const QList<StoredCaption>& stored);
    // After the last page.
    void judge();

    // The stored row whose value caption number `caption` replaces: the latest of those of its
    // place that no caption met. None for a known caption, and for a new one with nothing to replace.
    const std::optional<StoredCaption>& replaced(int caption) const { return replaced_.at(caption); }
    // The stored rows no caption met and no changed caption replaces, in stored order.
    QList<Removed> removed() const;

private:
    struct Caption {
        AnsiString place;
        bool known;
    };
    struct Kept {
        qsizetype order; // in the stored order
        StoredCaption stored;
        bool taken = false;
    };

    QString fileOf(const AnsiString& form) const;

    QList<Caption> captions_;
    QHash<AnsiString, QString> formFiles_;
    QString firstFile_;
    // Where the captions stand, and each place with each value met there.
    QSet<AnsiString> placed_;
    QSet<std::pair<AnsiString, AnsiString>> met_;
    // Stored rows no caption met: at the captions' places (each may be replaced), and elsewhere.
    QHash<AnsiString, QList<Kept>> candidates_;
    QList<Kept> elsewhere_;
    qsizetype storedSeen_ = 0;
    QList<std::optional<StoredCaption>> replaced_;
};
