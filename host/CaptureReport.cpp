#include "host/CaptureReport.h"

CaptureReport::CaptureReport(Mode mode, QString language, QString server)
    : mode_(mode), language_(std::move(language)), server_(std::move(server)) {}

CaptureReport::File& CaptureReport::file(const QString& path) {
    // The file asked for is nearly always the one being scanned, the last one.
    for (auto it = files_.rbegin(); it != files_.rend(); ++it)
        if (it->path == path)
            return *it;
    files_.append(File{path});
    return files_.last();
}

void CaptureReport::fileScanStarted(const QString& path, int lines) {
    files_.append(File{path, lines});
    lastFile_ = path;
    lastLine_ = 0;
}

void CaptureReport::captionLookedUp(const QString& path, int line) {
    ++file(path).lookups;
    lastFile_ = path;
    lastLine_ = line;
}

void CaptureReport::captionRecorded(const QVariantMap& caption) {
    Row row{caption.value(QStringLiteral("file")).toString(),
            caption.value(QStringLiteral("line")).toInt(),
            caption.value(QStringLiteral("program")).toString(),
            caption.value(QStringLiteral("form")).toString(),
            caption.value(QStringLiteral("component")).toString(),
            caption.value(QStringLiteral("property")).toString(),
            caption.value(QStringLiteral("value")).toString(),
            caption.value(QStringLiteral("language")).toString()};
    ++file(row.file).rows;
    rows_.append(std::move(row));
}

int CaptureReport::lookups() const {
    int lookups = 0;
    for (const File& scanned : files_)
        lookups += scanned.lookups;
    return lookups;
}

void CaptureReport::finish(const QStringList& failures) {
    failures_ = failures;
    finished_ = QDateTime::currentDateTime();
}
