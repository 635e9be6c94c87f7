#include "tests/appserver/TranslationRows.h"

#include "wire/RecordLayouts.h"

QJsonArray translationFields() {
    return Wire::describeFields(Layouts::translationRow());
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
    return {{QStringLiteral("fields"), Wire::describeFields(Layouts::versionRecord())},
            {QStringLiteral("changes"), changes}};
}

QJsonArray withField(QJsonArray row, int index, const QJsonValue& value) {
    row[index] = value;
    return row;
}
