#include "appserver/DataPacket.h"

#include <QJsonValue>

#include <array>
#include <utility>

namespace {

// Every answer carries the fields of one of the Layouts, which never change, so each is described
// once: building those objects would be a fifth of the server's work for a GetPropried. A Layouts
// function always hands out the same object, so its address tells which one it is.
QJsonArray fieldsOf(const Layout& layout) {
    static const std::array<std::pair<const Layout*, QJsonArray>, 3> described{{
        {&Layouts::languageEntry(), Wire::describeFields(Layouts::languageEntry())},
        {&Layouts::translationRow(), Wire::describeFields(Layouts::translationRow())},
        {&Layouts::versionRecord(), Wire::describeFields(Layouts::versionRecord())},
    }};
    for (const auto& [known, fields] : described) {
        if (&layout == known)
            return fields;
    }
    return Wire::describeFields(layout);
}

qsizetype characterCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

} // namespace

QJsonObject makePacket(const Layout& layout, const QList<QJsonArray>& rows) {
    const QJsonArray fields = fieldsOf(layout);
    QJsonArray rowArray;
    for (const QJsonArray& row : rows)
        rowArray.append(row);
    return QJsonObject{{QStringLiteral("fields"), fields}, {QStringLiteral("rows"), rowArray}};
}

QString checkValue(const FieldDef& field, const QJsonValue& value) {
    if (value.isNull())
        return {};
    switch (field.kind) {
    case FieldKind::String: {
        if (!value.isString())
            return QStringLiteral("%1 must be a string or null").arg(field.name);
        const qsizetype length = characterCount(value.toString());
        if (length > field.size)
            return QStringLiteral("%1 holds %2 characters; at most %3 fit")
                .arg(field.name)
                .arg(length)
                .arg(field.size);
        return {};
    }
    case FieldKind::Number:
        // QJsonValue cannot hold NaN or infinity, so any double here is finite.
        if (!value.isDouble())
            return QStringLiteral("%1 must be a number or null").arg(field.name);
        return {};
    case FieldKind::DateTime:
        if (!value.isString() || !parseDateTime(value.toString()))
            return QStringLiteral("%1 must be a local date-time like 2026-12-07T08:01:44.123, or null")
                .arg(field.name);
        return {};
    }
    return {};
}

QString formatDateTime(const QDateTime& value) {
    return value.toString(Wire::kDateTimeFormat);
}

std::optional<QDateTime> parseDateTime(const QString& text) {
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    // A zone designator would make the local time ambiguous for the module.
    if (!parsed.isValid() || parsed.timeSpec() != Qt::LocalTime)
        return std::nullopt;
    return parsed;
}

QJsonValue dateTimeToJson(const std::optional<QDateTime>& value) {
    if (!value)
        return QJsonValue::Null;
    return formatDateTime(*value);
}
