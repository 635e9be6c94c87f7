#include "tests/appserver/TranslationRows.h"

#include "wire/RecordLayouts.h"

namespace {

// A layout as a packet's "fields" describes it.
QJsonArray fieldsOf(const Layout& layout) {
    QJsonArray fields;
    for (const FieldDef& field : layout) {
        QJsonObject description{{QStringLiteral("name"), field.name},
                                {QStringLiteral("type"), Wire::kindName(field.kind)}};
        if (field.kind == FieldKind::String)
            description.insert(QStringLiteral("size"), field.size);
        fields.append(description);
    }
    return fields;
}

} // namespace

QJsonArray translationFields() {
    return fieldsOf(Layouts::translationRow());
}

QJsonArray captionRow(const QString& program, const QString& form, const QString& component,
                      const QString& value, const QString& language) {
    return {program,
            form,
            component,
            QStringLiteral("CAPTION"),
            0,
            QStringLiteral("N"),
            value,
            value,
            QStringLiteral("2026-12-07T08:01:44.123"),
            language};
}

QJsonArray lookupArgs(const QString& program, const QString& form, const QString& component,
                      const QString& value, const QString& language) {
    return {program, form, component, QStringLiteral("CAPTION"), QStringLiteral("0"), value, language};
}

QJsonObject insertChange(const QJsonArray& values) {
    return {{QStringLiteral("op"), QStringLiteral("insert")}, {QStringLiteral("values"), values}};
}

QJsonObject updateChange(const QJsonArray& original, const QJsonArray& values) {
    return {{QStringLiteral("op"), QStringLiteral("update")},
            {QStringLiteral("original"), original},
            {QStringLiteral("values"), values}};
}

QJsonObject deleteChange(const QJsonArray& original) {
    return {{QStringLiteral("op"), QStringLiteral("delete")}, {QStringLiteral("original"), original}};
}

QJsonObject translationDelta(const QJsonArray& changes) {
    return {{QStringLiteral("fields"), translationFields()}, {QStringLiteral("changes"), changes}};
}

QJsonObject versionDelta(const QJsonArray& changes) {
    return {{QStringLiteral("fields"), fieldsOf(Layouts::versionRecord())},
            {QStringLiteral("changes"), changes}};
}

QJsonArray withField(QJsonArray row, int index, const QJsonValue& value) {
    row[index] = value;
    return row;
}
