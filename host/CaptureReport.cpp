#include "host/CaptureReport.h"

#include "toolkit/NativePath.h"

#include <algorithm>

CaptureReport::CaptureReport(Mode mode, QString language, QString server)
    : mode_(mode), language_(std::move(language)), server_(std::move(server)) {}

// Paths are kept as people read them: a byte of a directory's name that is not UTF-8 as \xNN.
CaptureReport::File& CaptureReport::file(const QString& path) {
    // The file asked for is nearly always the one being scanned, the last one.
    for (auto it = files_.rbegin(); it != files_.rend(); ++it)
        if (it->path == path)
            return *it;
    files_.append(File{path});
    return files_.last();
}

void CaptureReport::fileScanStarted(const QString& path, int lines) {
    files_.append(File{NativePath::shown(path), lines});
    lastFile_ = files_.constLast().path;
    lastLine_ = 0;
}

void CaptureReport::captionLookedUp(const LookedUpCaption& caption) {
    lastFile_ = NativePath::shown(caption.file);
    lastLine_ = caption.line;
    ++file(lastFile_).lookups;
    if (keepsLookUps_)
        lookUps_.append({lastFile_, caption.line, Ansi::toUnicode(Ansi::UpperCase(caption.program)),
                         Ansi::toUnicode(Ansi::UpperCase(caption.form)),
                         Ansi::toUnicode(Ansi::UpperCase(caption.component)),
                         Ansi::toUnicode(Ansi::UpperCase(caption.property))});
}

void CaptureReport::captionRecorded(const RecordedCaption& caption) {
    Row row{NativePath::shown(caption.file),
            caption.line,
            Ansi::toUnicode(caption.program),
            Ansi::toUnicode(caption.form),
            Ansi::toUnicode(caption.component),
            Ansi::toUnicode(caption.property),
            Ansi::toUnicode(caption.value),
            Ansi::toUnicode(caption.language),
            caption.replaced ? std::optional(Ansi::toUnicode(caption.replaced->value)) : std::nullopt};
    File& scanned = file(row.file);
    ++scanned.rows;
    scanned.changed += row.old ? 1 : 0;
    rows_.append(std::move(row));
}

void CaptureReport::rowStoring(const QString& path, int line) {
    lastFile_ = NativePath::shown(path);
    lastLine_ = line;
}

void CaptureReport::captionRemoved(const QString& path, const StoredCaption& stored) {
    const QString shown = NativePath::shown(path);
    ++file(shown).removed;
    removed_.append({shown, Ansi::toUnicode(stored.program), Ansi::toUnicode(stored.form),
                     Ansi::toUnicode(stored.component), Ansi::toUnicode(stored.property),
                     Ansi::toUnicode(stored.value), Ansi::toUnicode(stored.language)});
}

int CaptureReport::changed() const {
    return int(
        std::count_if(rows_.cbegin(), rows_.cend(), [](const Row& row) { return row.old.has_value(); }));
}

int CaptureReport::lookups() const {
    int lookups = 0;
    for (const File& scanned : files_)
        lookups += scanned.lookups;
    return lookups;
}

int CaptureReport::lines() const {
    int lines = 0;
    for (const File& scanned : files_)
        lines += scanned.lines;
    return lines;
}

void CaptureReport::finish(const QStringList& failures) {
    failures_ = failures;
    finished_ = QDateTime::currentDateTime();
}
