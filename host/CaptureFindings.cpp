#include "host/CaptureFindings.h"

#include <QDir>

namespace CaptureFindings {

QList<Finding> of(const CaptureReport& report) {
    QList<Finding> findings;
    findings.reserve(report.rows().size() + report.removed().size());
    for (const CaptureReport::Row& row : report.rows()) {
        const Kind kind = row.old ? Kind::Changed : Kind::New;
        findings.append({kind, levelOf(kind, report.failOnRemoved()), row.file, row.line, row.program,
                         row.form, row.component, row.property, row.value, row.language, row.old});
    }
    for (const CaptureReport::Removed& row : report.removed())
        findings.append({Kind::Removed, levelOf(Kind::Removed, report.failOnRemoved()), row.file, 0,
                         row.program, row.form, row.component, row.property, row.value, row.language,
                         std::nullopt});
    return findings;
}

Level levelOf(Kind kind, bool failOnRemoved) {
    switch (kind) {
    case Kind::New:
        return Level::Note;
    case Kind::Changed:
        return Level::Warning;
    case Kind::Removed:
        return failOnRemoved ? Level::Error : Level::Note;
    }
    return Level::Note;
}

QString levelName(Level level) {
    static const char* const kNames[] = {"note", "warning", "error"};
    return QLatin1String(kNames[static_cast<int>(level)]);
}

QString ruleId(Kind kind) {
    static const char* const kIds[] = {"new-caption", "changed-caption", "removed-caption"};
    return QLatin1String(kIds[static_cast<int>(kind)]);
}

QString title(Kind kind) {
    static const char* const kTitles[] = {"New caption", "Changed caption", "Caption no longer in the form"};
    return QLatin1String(kTitles[static_cast<int>(kind)]);
}

QString message(const Finding& finding) {
    // One pass over the placeholders: a caption may well hold a "%1" of its own.
    switch (finding.kind) {
    case Kind::New:
        return QStringLiteral("%1.%2: new caption \"%3\"")
            .arg(finding.form, finding.component, finding.value);
    case Kind::Changed:
        return QStringLiteral("%1.%2: changed caption \"%3\" (the table holds \"%4\")")
            .arg(finding.form, finding.component, finding.value, finding.old.value_or(QString()));
    case Kind::Removed:
        return QStringLiteral("%1.%2: caption \"%3\" is no longer in the form")
            .arg(finding.form, finding.component, finding.value);
    }
    return {};
}

QString place(const QString& file, int line) {
    return line > 0 ? file + QLatin1Char(':') + QString::number(line) : file;
}

QString workingPath(const QString& path) {
    if (QDir::isRelativePath(path))
        return QDir::cleanPath(path);
    const QString relative = QDir::current().relativeFilePath(path);
    return relative.startsWith(QLatin1String("../")) ? path : relative;
}

} // namespace CaptureFindings
