#pragma once

#include <QString>
#include <QStringList>

class CaptureReport;

// The findings of a run or check as GitHub Actions workflow commands, which it shows as notes on
// the pull request's lines: ::warning file=PATH,line=N,title=TITLE::MESSAGE, one line a finding,
// the command "notice", "warning" or "error" as the SARIF report's levels.
namespace GitHubAnnotations {

QStringList lines(const CaptureReport& report);

// GitHub's escaping: a message escapes %, CR and LF; a property value also : and ,.
QString escapedData(const QString& text);
QString escapedProperty(const QString& text);

} // namespace GitHubAnnotations
