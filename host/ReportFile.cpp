#include "host/ReportFile.h"

#include "host/CaptureReport.h"
#include "host/HtmlReport.h"
#include "host/JUnitReport.h"
#include "host/SarifReport.h"
#include "wire/CsvWriter.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QString modeName(const CaptureReport& report) {
    return report.mode() == CaptureReport::Mode::Check ? QStringLiteral("check") : QStringLiteral("run");
}

QString timeText(const QDateTime& time) {
    return time.toString(Qt::ISODateWithMs);
}

QByteArray jsonReport(const CaptureReport& report) {
    QJsonArray files;
    for (const CaptureReport::File& file : report.files())
        files.append(QJsonObject{{QStringLiteral("file"), file.path},
                                 {QStringLiteral("lines"), file.lines},
                                 {QStringLiteral("lookups"), file.lookups},
                                 {QStringLiteral("rows"), file.rows},
                                 {QStringLiteral("changed"), file.changed},
                                 {QStringLiteral("removed"), file.removed}});
    QJsonArray rows;
    for (const CaptureReport::Row& row : report.rows())
        rows.append(QJsonObject{
            {QStringLiteral("file"), row.file},
            {QStringLiteral("line"), row.line},
            {QStringLiteral("program"), row.program},
            {QStringLiteral("form"), row.form},
            {QStringLiteral("component"), row.component},
            {QStringLiteral("property"), row.property},
            {QStringLiteral("value"), row.value},
            {QStringLiteral("language"), row.language},
            {QStringLiteral("change"), row.old ? QStringLiteral("changed") : QStringLiteral("new")},
            {QStringLiteral("old"), row.old ? QJsonValue(*row.old) : QJsonValue()}});
    QJsonArray removed;
    for (const CaptureReport::Removed& row : report.removed())
        removed.append(QJsonObject{{QStringLiteral("file"), row.file},
                                   {QStringLiteral("program"), row.program},
                                   {QStringLiteral("form"), row.form},
                                   {QStringLiteral("component"), row.component},
                                   {QStringLiteral("property"), row.property},
                                   {QStringLiteral("value"), row.value},
                                   {QStringLiteral("language"), row.language}});
    QJsonValue stopped = QJsonValue::Null;
    if (!report.completed())
        stopped = QJsonObject{{QStringLiteral("file"),
                               report.lastFile().isEmpty() ? QJsonValue() : QJsonValue(report.lastFile())},
                              {QStringLiteral("line"), report.lastLine()},
                              {QStringLiteral("errors"), QJsonArray::fromStringList(report.failures())}};
    const QJsonObject root{
        {QStringLiteral("mode"), modeName(report)},
        {QStringLiteral("language"), report.language()},
        {QStringLiteral("server"), report.server()},
        {QStringLiteral("started"), timeText(report.started())},
        {QStringLiteral("finished"), timeText(report.finished())},
        {QStringLiteral("completed"), report.completed()},
        {QStringLiteral("stopped"), stopped},
        {QStringLiteral("totals"),
         QJsonObject{{QStringLiteral("files"), static_cast<int>(report.files().size())},
                     {QStringLiteral("lines"), report.lines()},
                     {QStringLiteral("lookups"), report.lookups()},
                     {QStringLiteral("rows"), static_cast<int>(report.rows().size())},
                     {QStringLiteral("changed"), report.changed()},
                     {QStringLiteral("removed"), static_cast<int>(report.removed().size())}}},
        {QStringLiteral("files"), files},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("removed"), removed}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray csvReport(const CaptureReport& report) {
    const QString empty;
    QString text = csvRecord({QStringLiteral("record"), QStringLiteral("file"), QStringLiteral("line"),
                              QStringLiteral("lines"), QStringLiteral("lookups"), QStringLiteral("rows"),
                              QStringLiteral("program"), QStringLiteral("form"), QStringLiteral("component"),
                              QStringLiteral("property"), QStringLiteral("value"), QStringLiteral("language"),
                              QStringLiteral("message"), QStringLiteral("old")});
    text += csvRecord({modeName(report), empty, empty, empty, empty, empty, empty, empty, empty, empty, empty,
                       report.language(), report.server(), empty});
    for (const CaptureReport::File& file : report.files())
        text += csvRecord({QStringLiteral("file"), file.path, empty, QString::number(file.lines),
                           QString::number(file.lookups), QString::number(file.rows), empty, empty, empty,
                           empty, empty, empty, empty, empty});
    const QString rowRecord =
        report.mode() == CaptureReport::Mode::Check ? QStringLiteral("new") : QStringLiteral("inserted");
    for (const CaptureReport::Row& row : report.rows())
        text +=
            csvRecord({row.old ? QStringLiteral("changed") : rowRecord, row.file, QString::number(row.line),
                       empty, empty, empty, row.program, row.form, row.component, row.property, row.value,
                       row.language, empty, row.old.value_or(empty)});
    for (const CaptureReport::Removed& row : report.removed())
        text += csvRecord({QStringLiteral("removed"), row.file, empty, empty, empty, empty, row.program,
                           row.form, row.component, row.property, row.value, row.language, empty, empty});
    const QString totals[] = {QString::number(report.lines()), QString::number(report.lookups()),
                              QString::number(report.rows().size())};
    if (report.completed())
        text += csvRecord({QStringLiteral("completed"), empty, empty, totals[0], totals[1], totals[2], empty,
                           empty, empty, empty, empty, report.language(), empty, empty});
    else
        text += csvRecord({QStringLiteral("stopped"), report.lastFile(), QString::number(report.lastLine()),
                           totals[0], totals[1], totals[2], empty, empty, empty, empty, empty,
                           report.language(), report.failures().join(QLatin1Char('\n')), empty});
    return text.toUtf8();
}

QByteArray bytesOf(ReportFile::Format format, const CaptureReport& report) {
    switch (format) {
    case ReportFile::Format::Json:
        return jsonReport(report);
    case ReportFile::Format::Csv:
        return csvReport(report);
    case ReportFile::Format::Sarif:
        return SarifReport::write(report);
    case ReportFile::Format::JUnit:
        return JUnitReport::write(report);
    case ReportFile::Format::Html:
        return HtmlReport::write(report);
    }
    return {};
}

} // namespace

namespace ReportFile {

std::optional<Format> formatOf(const QString& path) {
    static const std::pair<QLatin1String, Format> kExtensions[] = {{QLatin1String(".json"), Format::Json},
                                                                   {QLatin1String(".csv"), Format::Csv},
                                                                   {QLatin1String(".sarif"), Format::Sarif},
                                                                   {QLatin1String(".xml"), Format::JUnit},
                                                                   {QLatin1String(".html"), Format::Html}};
    for (const auto& [extension, format] : kExtensions)
        if (path.endsWith(extension, Qt::CaseInsensitive))
            return format;
    return std::nullopt;
}

QString whyNotWritable(const QString& path) {
    if (!formatOf(path))
        return QCoreApplication::translate(
                   "ReportFile",
                   "--report wants a FILE ending in .json, .csv, .sarif, .xml or .html, not \"%1\"")
            .arg(path);
    const QFileInfo file(path);
    if (file.isSymLink())
        return QCoreApplication::translate("ReportFile",
                                           "the report %1 is a symbolic link; name the file itself")
            .arg(path);
    if (file.exists() && !file.isFile())
        return QCoreApplication::translate("ReportFile", "the report %1 is not a plain file").arg(path);
    const QFileInfo directory(file.absolutePath());
    if (!directory.isDir())
        return QCoreApplication::translate("ReportFile", "the directory of the report %1 does not exist")
            .arg(path);
    // The report is written beside its place and renamed over it.
    if (!directory.isWritable())
        return QCoreApplication::translate("ReportFile", "the directory of the report %1 cannot be written")
            .arg(path);
    return {};
}

void write(const QString& path, const CaptureReport& report) {
    if (const QString whyNot = whyNotWritable(path); !whyNot.isEmpty())
        throw Exception(QCoreApplication::translate("ReportFile", "Cannot write the report: %1").arg(whyNot));
    const Format format = *formatOf(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QCoreApplication::translate("ReportFile", "Cannot write the report %1: %2")
                            .arg(path, file.errorString()));
    file.write(bytesOf(format, report));
    if (!file.commit())
        throw Exception(QCoreApplication::translate("ReportFile", "Cannot write the report %1: %2")
                            .arg(path, file.errorString()));
}

} // namespace ReportFile
