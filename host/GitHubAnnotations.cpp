#include "host/GitHubAnnotations.h"

#include "host/CaptureFindings.h"
#include "host/CaptureReport.h"

namespace {

QString command(CaptureFindings::Level level) {
    // GitHub's name for a note.
    return level == CaptureFindings::Level::Note ? QStringLiteral("notice")
                                                 : CaptureFindings::levelName(level);
}

} // namespace

namespace GitHubAnnotations {

QString escapedData(const QString& text) {
    QString escaped = text;
    // The percent sign first, so that the escapes added after it stay as they are.
    escaped.replace(QLatin1Char('%'), QLatin1String("%25"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("%0D"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("%0A"));
    return escaped;
}

QString escapedProperty(const QString& text) {
    QString escaped = escapedData(text);
    escaped.replace(QLatin1Char(':'), QLatin1String("%3A"));
    escaped.replace(QLatin1Char(','), QLatin1String("%2C"));
    return escaped;
}

QStringList lines(const CaptureReport& report) {
    QStringList lines;
    for (const CaptureFindings::Finding& finding : CaptureFindings::of(report)) {
        QString properties =
            QStringLiteral("file=") + escapedProperty(CaptureFindings::workingPath(finding.file));
        if (finding.line > 0)
            properties += QStringLiteral(",line=") + QString::number(finding.line);
        properties += QStringLiteral(",title=") + escapedProperty(CaptureFindings::title(finding.kind));
        lines.append(
            QStringLiteral("::%1 %2::%3")
                .arg(command(finding.level), properties, escapedData(CaptureFindings::message(finding))));
    }
    return lines;
}

} // namespace GitHubAnnotations
