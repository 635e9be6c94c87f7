#pragma once

#include <QByteArray>
#include <QString>

class CaptureReport;

// A capture report as one HTML page for a reviewer: the summary, then per program and form a
// table of what was found, a changed caption's stored and new text side by side with the part
// that differs marked. Self-contained (inline CSS, nothing fetched), readable on a phone and in
// print; every text from a form or the server is escaped. In English, as every report is.
namespace HtmlReport {

QByteArray write(const CaptureReport& report);

// Where old and new differ: the common prefix and suffix left out, the middle wrapped in
// <del> (old) or <ins> (new); both escaped.
struct MarkedChange {
    QString old;
    QString now;
};
MarkedChange markChange(const QString& old, const QString& now);

} // namespace HtmlReport
