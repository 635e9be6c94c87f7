#include "toolkit/DataPacket.h"

#include "toolkit/Exceptions.h"
#include "wire/DateTimeText.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <climits>
#include <cmath>
#include <optional>

namespace DataPacket {

namespace {

QString jsonKindName(const QJsonValue& json) {
    switch (json.type()) {
    case QJsonValue::Bool:
        return QCoreApplication::translate("DataPacket", "a boolean");
    case QJsonValue::Double:
        return QCoreApplication::translate("DataPacket", "a number");
    case QJsonValue::String:
        return QCoreApplication::translate("DataPacket", "a string");
    case QJsonValue::Array:
        return QCoreApplication::translate("DataPacket", "an array");
    case QJsonValue::Object:
        return QCoreApplication::translate("DataPacket", "an object");
    default:
        return QCoreApplication::translate("DataPacket", "null");
    }
}

TFieldDef fieldFromJson(const QJsonValue& json, qsizetype position) {
    const QJsonObject object = json.toObject();
    const QString name = object.value(QStringLiteral("name")).toString();
    if (!json.isObject() || name.isEmpty())
        throw EDatabaseError(QCoreApplication::translate("DataPacket", "Field %1 of the packet has no name")
                                 .arg(position + 1));

    TFieldDef def;
    def.name = name;
    const QString type = object.value(QStringLiteral("type")).toString();
    const std::optional<TFieldType> kind = Wire::kindFromName(type);
    if (!kind)
        throw EDatabaseError(
            QCoreApplication::translate("DataPacket", "Field %1 has unknown type \"%2\"").arg(name, type));
    def.kind = *kind;

    if (def.kind == TFieldType::String) {
        const double size = object.value(QStringLiteral("size")).toDouble(-1);
        if (size < 1 || size > INT_MAX || size != std::floor(size))
            throw EDatabaseError(
                QCoreApplication::translate("DataPacket", "String field %1 has no valid size").arg(name));
        def.size = static_cast<int>(size);
    }
    return def;
}

} // namespace

QList<TFieldDef> fieldsFromJson(const QJsonValue& fields) {
    if (!fields.isArray())
        throw EDatabaseError(QCoreApplication::translate("DataPacket", "The packet has no \"fields\" array"));
    const QJsonArray array = fields.toArray();
    if (array.isEmpty())
        throw EDatabaseError(QCoreApplication::translate("DataPacket", "The packet has no fields"));

    QList<TFieldDef> defs;
    defs.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        TFieldDef def = fieldFromJson(array.at(i), i);
        if (indexOfField(defs, def.name) >= 0)
            throw EDatabaseError(
                QCoreApplication::translate("DataPacket", "Field %1 appears twice in the packet")
                    .arg(def.name));
        defs.append(def);
    }
    return defs;
}

qsizetype indexOfField(const QList<TFieldDef>& defs, const QString& name) {
    for (qsizetype i = 0; i < defs.size(); ++i)
        if (defs.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void checkKind(const QJsonValue& json, const TFieldDef& def) {
    const bool ok = json.isNull() || (def.kind == TFieldType::Number ? json.isDouble() : json.isString());
    if (!ok)
        throw EDatabaseError(
            QCoreApplication::translate("DataPacket", "Field %1 holds %2 where a %3 is expected")
                .arg(def.name, jsonKindName(json), Wire::kindName(def.kind)));
}

QVariant valueFromJson(const QJsonValue& json, const TFieldDef& def) {
    checkKind(json, def);
    if (json.isNull())
        return {};

    switch (def.kind) {
    case TFieldType::String: {
        const QString unicode = json.toString();
        AnsiString text;
        if (!Ansi::tryFromUnicode(unicode, text))
            throw EDatabaseError(Ansi::notInCodePage(
                unicode, QCoreApplication::translate("DataPacket", "Value of field %1").arg(def.name)));
        checkLength(def, text);
        return text;
    }
    case TFieldType::Number:
        return json.toDouble();
    case TFieldType::DateTime: {
        const std::optional<QDateTime> value = DateTimeText::parse(json.toString());
        if (!value)
            throw EDatabaseError(
                QCoreApplication::translate("DataPacket",
                                            "Field %1 holds \"%2\", which is not an ISO 8601 date-time")
                    .arg(def.name, json.toString()));
        return *value;
    }
    }
    return {};
}

namespace {

QJsonValue valueToJson(const QVariant& value, TFieldType kind) {
    if (value.isNull())
        return QJsonValue::Null;
    switch (kind) {
    case TFieldType::String:
        return Ansi::toUnicode(value.toByteArray());
    case TFieldType::Number:
        return value.toDouble();
    case TFieldType::DateTime:
        return DateTimeText::format(value.toDateTime());
    }
    return QJsonValue::Null;
}

} // namespace

QJsonArray rowToJson(const Row& row, const QList<TFieldDef>& defs) {
    QJsonArray values;
    for (qsizetype i = 0; i < defs.size(); ++i)
        values.append(valueToJson(row.at(i), defs.at(i).kind));
    return values;
}

void checkLength(const TFieldDef& def, const AnsiString& value) {
    if (def.kind == TFieldType::String && value.size() > def.size)
        throw EDatabaseError(
            QCoreApplication::translate("DataPacket",
                                        "Value of field %1 is %2 characters long; the field holds at most %3")
                .arg(def.name)
                .arg(value.size())
                .arg(def.size));
}

AnsiString numberToText(double value) {
    // Below 2^53 every integral double is exact, so printing it as an integer loses nothing.
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return AnsiString::number(static_cast<qint64>(value));
    return AnsiString::number(value, 'g', 15);
}

double numberFromText(const AnsiString& text, const QString& what) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw EConvertError(QCoreApplication::translate("DataPacket", "%1 \"%2\" is not a number")
                                .arg(what, Ansi::toUnicode(text)));
    return value;
}

} // namespace DataPacket
