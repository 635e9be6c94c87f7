#pragma once

#include <QString>

#include <optional>

class CaptureReport;

// Writes a capture report: JSON for a path ending in ".json", CSV for ".csv" (docs/capture-report.md
// describes both). It goes to a temporary file renamed over the path once complete, so a reader
// never sees half a report. Throws on failure.
namespace ReportFile {

enum class Format { Json, Csv };

// The format a path asks for by its extension, letter case aside; none for any other.
std::optional<Format> formatOf(const QString& path);

void write(const QString& path, const CaptureReport& report);

} // namespace ReportFile
