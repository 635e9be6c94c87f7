#pragma once

#include <QString>

#include <optional>

class CaptureReport;

// Writes a capture report in the format its path's extension names: JSON (".json"), CSV (".csv"),
// SARIF 2.1.0 (".sarif"), JUnit XML (".xml") or one HTML page (".html"); docs/capture-report.md
// describes each. It goes to a temporary file renamed over the path once complete, so a reader
// never sees half a report. Throws on failure.
namespace ReportFile {

enum class Format { Json, Csv, Sarif, JUnit, Html };

// The format a path asks for by its extension, letter case aside; none for any other.
std::optional<Format> formatOf(const QString& path);

// Why a report cannot be written to path, found before the run it is to report on; empty when it
// can. A report never replaces a file through a symbolic link: whoever placed the link, in a
// shared directory say, would choose the file it replaces.
QString whyNotWritable(const QString& path);

void write(const QString& path, const CaptureReport& report);

} // namespace ReportFile
