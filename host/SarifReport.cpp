#include "host/SarifReport.h"

#include "host/CaptureFindings.h"
#include "host/CaptureReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

using CaptureFindings::Finding;
using CaptureFindings::Kind;

// The base the relative locations stand on: the directory the command ran in, which is the
// checkout's root in a CI job, so that a code-scanning service finds the files in the repository.
const QString kSourceRoot = QStringLiteral("%SRCROOT%");

QJsonObject text(const QString& text) {
    return QJsonObject{{QStringLiteral("text"), text}};
}

struct RuleText {
    const char* name;
    const char* shortDescription;
    const char* fullDescription;
};

// In the order of CaptureFindings::Kind, which gives each result its rule's index.
const RuleText kRules[] = {
    {"NewCaption", "A caption the translation table does not hold yet.",
     "The form holds a caption that no row of the translation table holds in this language: a "
     "run stores it, and a translator has yet to translate it."},
    {"ChangedCaption", "A caption edited since the table stored it.",
     "The translation table holds another text for this component's caption, which no form "
     "holds any more: the caption was edited, and its translations were made from the old "
     "text. A run stores the new text beside the old one."},
    {"RemovedCaption", "A stored caption no longer in the forms.",
     "The translation table holds a caption of a scanned program that none of its forms holds "
     "any more: its control, or its whole form, was removed or renamed. Nothing stored is "
     "deleted because of it."},
};

QJsonObject rule(Kind kind, bool failOnRemoved) {
    const RuleText& texts = kRules[static_cast<int>(kind)];
    return QJsonObject{
        {QStringLiteral("id"), CaptureFindings::ruleId(kind)},
        {QStringLiteral("name"), QLatin1String(texts.name)},
        {QStringLiteral("shortDescription"), text(QLatin1String(texts.shortDescription))},
        {QStringLiteral("fullDescription"), text(QLatin1String(texts.fullDescription))},
        {QStringLiteral("defaultConfiguration"),
         QJsonObject{{QStringLiteral("level"),
                      CaptureFindings::levelName(CaptureFindings::levelOf(kind, failOnRemoved))}}}};
}

// A relative path becomes a relative reference on the source root, an absolute one a file URI of
// its own: SARIF allows a base only under a relative reference.
QJsonObject artifactLocation(const QString& path) {
    const QString working = CaptureFindings::workingPath(path);
    if (QDir::isAbsolutePath(working))
        return QJsonObject{
            {QStringLiteral("uri"), QUrl::fromLocalFile(working).toString(QUrl::FullyEncoded)}};
    QUrl reference;
    // A first segment holding a colon would read as a scheme.
    reference.setPath(working.section(QLatin1Char('/'), 0, 0).contains(QLatin1Char(':'))
                          ? QStringLiteral("./") + working
                          : working);
    return QJsonObject{{QStringLiteral("uri"), reference.toString(QUrl::FullyEncoded)},
                       {QStringLiteral("uriBaseId"), kSourceRoot}};
}

QJsonObject result(const Finding& finding) {
    QJsonObject physical{{QStringLiteral("artifactLocation"), artifactLocation(finding.file)}};
    if (finding.line > 0)
        physical.insert(QStringLiteral("region"), QJsonObject{{QStringLiteral("startLine"), finding.line}});
    const QString member =
        QStringList{finding.program, finding.form, finding.component, finding.property}.join(
            QLatin1Char('.'));
    QJsonObject properties{
        {QStringLiteral("program"), finding.program},     {QStringLiteral("form"), finding.form},
        {QStringLiteral("component"), finding.component}, {QStringLiteral("property"), finding.property},
        {QStringLiteral("value"), finding.value},         {QStringLiteral("language"), finding.language}};
    if (finding.old)
        properties.insert(QStringLiteral("old"), *finding.old);
    return QJsonObject{{QStringLiteral("ruleId"), CaptureFindings::ruleId(finding.kind)},
                       {QStringLiteral("ruleIndex"), static_cast<int>(finding.kind)},
                       {QStringLiteral("level"), CaptureFindings::levelName(finding.level)},
                       {QStringLiteral("message"), text(CaptureFindings::message(finding))},
                       {QStringLiteral("locations"),
                        QJsonArray{QJsonObject{
                            {QStringLiteral("physicalLocation"), physical},
                            {QStringLiteral("logicalLocations"),
                             QJsonArray{QJsonObject{{QStringLiteral("fullyQualifiedName"), member},
                                                    {QStringLiteral("kind"), QStringLiteral("member")}}}}}}},
                       {QStringLiteral("properties"), properties}};
}

QString utcText(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject invocation(const CaptureReport& report) {
    QJsonArray notifications;
    for (const QString& failure : report.failures())
        notifications.append(QJsonObject{{QStringLiteral("level"), QStringLiteral("error")},
                                         {QStringLiteral("message"), text(failure)}});
    QJsonObject invocation{{QStringLiteral("executionSuccessful"), report.completed()},
                           {QStringLiteral("startTimeUtc"), utcText(report.started())},
                           {QStringLiteral("endTimeUtc"), utcText(report.finished())},
                           {QStringLiteral("toolExecutionNotifications"), notifications}};
    return invocation;
}

} // namespace

namespace SarifReport {

QByteArray write(const CaptureReport& report) {
    QJsonArray rules;
    for (Kind kind : {Kind::New, Kind::Changed, Kind::Removed})
        rules.append(rule(kind, report.failOnRemoved()));
    QJsonArray results;
    for (const Finding& finding : CaptureFindings::of(report))
        results.append(result(finding));
    const QJsonObject driver{{QStringLiteral("name"), QStringLiteral("capture")},
                             {QStringLiteral("version"), QCoreApplication::applicationVersion()},
                             {QStringLiteral("rules"), rules}};
    const QJsonObject run{
        {QStringLiteral("tool"), QJsonObject{{QStringLiteral("driver"), driver}}},
        {QStringLiteral("invocations"), QJsonArray{invocation(report)}},
        {QStringLiteral("originalUriBaseIds"),
         QJsonObject{{kSourceRoot, QJsonObject{{QStringLiteral("uri"),
                                                QUrl::fromLocalFile(QDir::currentPath() + QLatin1Char('/'))
                                                    .toString(QUrl::FullyEncoded)}}}}},
        {QStringLiteral("results"), results},
        {QStringLiteral("properties"),
         QJsonObject{{QStringLiteral("mode"), report.mode() == CaptureReport::Mode::Check
                                                  ? QStringLiteral("check")
                                                  : QStringLiteral("run")},
                     {QStringLiteral("language"), report.language()},
                     {QStringLiteral("server"), report.server()}}}};
    const QJsonObject log{
        {QStringLiteral("$schema"),
         QStringLiteral(
             "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json")},
        {QStringLiteral("version"), QStringLiteral("2.1.0")},
        {QStringLiteral("runs"), QJsonArray{run}}};
    return QJsonDocument(log).toJson(QJsonDocument::Indented);
}

} // namespace SarifReport
