#pragma once

#include <QByteArray>

class CaptureReport;

// A capture report as a SARIF 2.1.0 log, the OASIS format that code-scanning services and
// editors read: one run of the tool "capture", one rule per kind of finding, one result per
// finding (docs/capture-report.md shows one).
namespace SarifReport {

QByteArray write(const CaptureReport& report);

} // namespace SarifReport
