#include "appserver/commands/ExportCommand.h"

#include "appserver/object/DataPacket.h"
#include "appserver/object/RecordJson.h"
#include "appserver/storage/Storage.h"
#include "wire/CsvWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QTextStream>

namespace {

QString numberText(double number) {
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

QStringList csvFields(const TranslationRow& row) {
    return {row.program,
            row.form,
            row.component,
            row.property,
            numberText(row.number),
            row.state.value_or(QString()),
            row.value,
            row.value2.value_or(QString()),
            row.updated.value_or(QString()),
            row.language};
}

} // namespace

ExportCommand::ExportCommand(QTextStream& out, QTextStream& err)
    : RowsCommand(
          out, err, QStringLiteral("export"),
          tr("Writes the translation rows to stdout in the order stored, as UTF-8.\n"
             "csv: RFC 4180 with a header row of the field names, CRLF line ends; empty fields for null.\n"
             "json: an array with one object per row, keyed by field name; null for null.\n"
             "The filters compare codes after upper-casing a-z, as the server matches keys."),
          QCommandLineOption(QStringLiteral("format"), tr("csv or json (required)."),
                             QStringLiteral("FORMAT")),
          {QStringLiteral("csv"), QStringLiteral("json")},
          RowFilter(ExportCommand::tr("Only rows of this language."),
                    ExportCommand::tr("Only rows of this program."), RowFilter::ByState::Yes)) {}

void ExportCommand::write(const Storage& storage, const QString& format) {
    const bool csv = format == QLatin1String("csv");
    if (csv) {
        QStringList header;
        for (const FieldDef& field : Layouts::translationRow())
            header.append(field.name);
        out() << csvRecord(header);
    }
    QJsonArray objects;
    forEachKept(storage, [&](const TranslationRow& row) {
        if (csv)
            out() << csvRecord(csvFields(row));
        else
            objects.append(toJsonObject(row));
    });
    if (!csv)
        out() << QString::fromUtf8(QJsonDocument(objects).toJson(QJsonDocument::Indented));
}
