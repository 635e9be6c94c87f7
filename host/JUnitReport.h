#pragma once

#include <QByteArray>

class CaptureReport;

// A capture report as a JUnit XML test report, as Jenkins and GitLab read it: one test suite per
// program code, one test case per caption looked up, failing where a run would insert a row (a new
// or changed caption) and, with --fail-on-removed, one failing case per caption no longer in the
// forms. A run that did not go to its end adds a suite of one case in error saying why.
namespace JUnitReport {

QByteArray write(const CaptureReport& report);

} // namespace JUnitReport
