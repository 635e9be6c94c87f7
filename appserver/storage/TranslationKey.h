#pragma once

#include "appserver/storage/Records.h"

#include <QString>

// The matching rule of GetPropried: program, form, component, property and language equal after
// upper-casing a-z only, the number equal, and the stored value, right-trimmed, equal to the
// value sent. A key holds the pieces already normalised, so two keys match when they are equal.
class TranslationKey {
public:
    // A look-up as GetPropried receives it: the value is taken as sent.
    static TranslationKey forLookup(const QString& program, const QString& form, const QString& component,
                                    const QString& property, double number, const QString& value,
                                    const QString& language);
    // The key under which a row is stored: its value right-trimmed.
    static TranslationKey ofRow(const TranslationRow& row);

    bool matches(const TranslationRow& stored) const { return ofRow(stored) == *this; }

    // Hex SHA-256 of the pieces; the unique index of the translation table is on it, so a
    // look-up of a 4,000-character value is one index probe.
    QString matchKey() const;

    bool operator==(const TranslationKey&) const = default;

private:
    TranslationKey() = default;
    QString program_, form_, component_, property_, numberText_, value_, language_;
};

// Hex SHA-256 of program and language upper-cased a-z, hashed as matchKey hashes its pieces: the
// index GetProgramRows pages a program's rows in one language along.
QString programKey(const QString& program, const QString& language);

// The same of program, form and language: what schema version 3 kept in FORMKEY. Only that
// migration computes it; version 4 drops the column again.
QString formKey(const QString& program, const QString& form, const QString& language);

// Upper-cases a-z and nothing else, so the result never depends on a locale ("Física" gives
// "FíSICA").
QString upperAsciiLetters(QString text);

// Drops trailing characters with codes up to 32 (blanks and control characters).
QString trimRightControls(const QString& text);
