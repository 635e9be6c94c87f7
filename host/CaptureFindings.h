#pragma once

#include "host/CaptureReport.h"

#include <QList>
#include <QString>

#include <optional>

// What a run or check found, one finding a row: each caption a run inserts (or a check would
// insert), new or changed, then each stored caption no longer in its form. The reports that CI
// systems read (SARIF, JUnit XML, GitHub annotations, the HTML page) all tell these, weighed alike,
// and in English whatever the locale, as every report is: what reads them is a program or a log
// that people of any language share.
namespace CaptureFindings {

enum class Kind { New, Changed, Removed };

// How much a finding asks of whoever reads it. A new caption is what editing a form brings and
// what a run is for: a note. A changed caption replaces a text that translations were made from:
// a warning. A removed caption is a note, unless --fail-on-removed makes it fail the check: an
// error.
enum class Level { Note, Warning, Error };

struct Finding {
    Kind kind = Kind::New;
    Level level = Level::Note;
    QString file;
    int line = 0; // 0 for a removed caption: the form no longer holds it
    QString program, form, component, property, value, language;
    std::optional<QString> old; // the stored value a changed caption replaces
};

// In the order of the report: its rows as met, then its removed rows as stored.
QList<Finding> of(const CaptureReport& report);

Level levelOf(Kind kind, bool failOnRemoved);

// The lower-case names SARIF and GitHub give the levels: "note", "warning", "error".
QString levelName(Level level);
// A stable identifier per kind: "new-caption", "changed-caption", "removed-caption".
QString ruleId(Kind kind);
// The kind as a reader names it: "New caption", ...
QString title(Kind kind);
// One line saying what was found, the place aside: FORM.COMPONENT: new caption "VALUE".
QString message(const Finding& finding);

// Where a caption stands: FILE:LINE, or FILE alone for a line of 0.
QString place(const QString& file, int line);

// The path of a finding's file as a CI system resolves it: relative to the working directory the
// command ran in (the checkout's root, in a CI job) when the file is there, else as given.
QString workingPath(const QString& path);

} // namespace CaptureFindings
