#include "appserver/object/RecordJson.h"

#include "appserver/object/DataPacket.h"
#include "wire/JsonWriter.h"

namespace {

QJsonValue optionalString(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

std::optional<QString> stringOrNull(const QJsonValue& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

QJsonArray toJsonRow(const LanguageEntry& entry) {
    return QJsonArray{entry.code, entry.description, entry.prop};
}

QJsonArray toJsonRow(const TranslationRow& row) {
    return QJsonArray{row.program,
                      row.form,
                      row.component,
                      row.property,
                      row.number,
                      optionalString(row.state),
                      row.value,
                      optionalString(row.value2),
                      optionalString(row.updated),
                      row.language};
}

namespace {

void writeOptional(JsonWriter& out, const std::optional<QString>& text) {
    if (text)
        out.string(*text);
    else
        out.null();
}

} // namespace

void writeRow(JsonWriter& out, const LanguageEntry& entry) {
    out.startArray();
    out.string(entry.code);
    out.string(entry.description);
    out.string(entry.prop);
    out.endArray();
}

void writeRow(JsonWriter& out, const TranslationRow& row) {
    out.startArray();
    out.string(row.program);
    out.string(row.form);
    out.string(row.component);
    out.string(row.property);
    out.number(row.number);
    writeOptional(out, row.state);
    out.string(row.value);
    writeOptional(out, row.value2);
    writeOptional(out, row.updated);
    out.string(row.language);
    out.endArray();
}

QJsonObject toJsonObject(const TranslationRow& row) {
    const Layout& layout = Layouts::translationRow();
    const QJsonArray values = toJsonRow(row);
    QJsonObject object;
    for (int i = 0; i < layout.size(); ++i)
        object.insert(layout.at(i).name, values.at(i));
    return object;
}

std::optional<TranslationRow> translationRowFromJson(const QJsonArray& values, QString* whyNot) {
    const Layout& layout = Layouts::translationRow();
    for (int index : {0, 1, 2, 3, 4, 6, 9}) {
        if (values.at(index).isNull()) {
            *whyNot =
                QStringLiteral("%1 cannot be null: it is part of the row's key").arg(layout.at(index).name);
            return std::nullopt;
        }
    }
    TranslationRow row;
    row.program = values.at(0).toString();
    row.form = values.at(1).toString();
    row.component = values.at(2).toString();
    row.property = values.at(3).toString();
    row.number = values.at(4).toDouble();
    row.state = stringOrNull(values.at(5));
    row.value = values.at(6).toString();
    row.value2 = stringOrNull(values.at(7));
    // Checked against the layout already; kept in the one spelling the table and the wire use.
    if (!values.at(8).isNull()) {
        if (const std::optional<QDateTime> updated = parseDateTime(values.at(8).toString()))
            row.updated = formatDateTime(*updated);
    }
    row.language = values.at(9).toString();
    return row;
}
