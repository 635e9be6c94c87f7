#include "appserver/object/DataPacket.h"

#include "wire/DateTimeText.h"
#include "wire/JsonWriter.h"

#include <QCoreApplication>
#include <QJsonValue>

#include <array>
#include <stdexcept>
#include <utility>

namespace {

QByteArray writtenFields(const Layout& layout) {
    JsonWriter out;
    out.value(Wire::describeFields(layout));
    return out.text();
}

// Every answer carries the fields of one of the Layouts, which never change, so each is written
// once: writing them anew would be a good part of the server's work for a GetPropried. A Layouts
// function always hands out the same object, so its address tells which one it is.
const QByteArray& fieldsOf(const Layout& layout) {
    static const std::array<std::pair<const Layout*, QByteArray>, 3> written{{
        {&Layouts::languageEntry(), writtenFields(Layouts::languageEntry())},
        {&Layouts::translationRow(), writtenFields(Layouts::translationRow())},
        {&Layouts::versionRecord(), writtenFields(Layouts::versionRecord())},
    }};
    for (const auto& [known, fields] : written) {
        if (&layout == known)
            return fields;
    }
    throw std::logic_error("a packet's layout is not one of the record layouts");
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

void writeSuccess(JsonWriter& out, const Layout& layout, const std::function<void(JsonWriter&)>& writeRows,
                  const std::function<QJsonObject()>& refs) {
    out.startObject();
    out.key("ok");
    out.boolean(true);
    out.key("data");
    out.startObject();
    out.key("fields");
    out.raw(fieldsOf(layout));
    out.key("rows");
    out.startArray();
    if (writeRows)
        writeRows(out);
    out.endArray();
    out.endObject();
    if (refs) {
        out.key("refs");
        out.value(refs());
    }
    out.endObject();
}

void writeFailure(JsonWriter& out, const QString& message) {
    out.startObject();
    out.key("ok");
    out.boolean(false);
    out.key("message");
    out.string(message);
    out.endObject();
}

QString checkValue(const FieldDef& field, const QJsonValue& value, MessageReader reader) {
    const auto text = [reader](const char* source) {
        return reader == MessageReader::Person ? QCoreApplication::translate("DataPacket", source)
                                               : QString::fromUtf8(source);
    };
    if (value.isNull())
        return {};
    switch (field.kind) {
    case FieldKind::String: {
        if (!value.isString())
            return text(QT_TRANSLATE_NOOP("DataPacket", "%1 must be a string or null")).arg(field.name);
        const qsizetype length = characterCount(value.toString());
        if (length > field.size)
            return text(QT_TRANSLATE_NOOP("DataPacket", "%1 holds %2 characters; at most %3 fit"))
                .arg(field.name)
                .arg(length)
                .arg(field.size);
        return {};
    }
    case FieldKind::Number:
        // QJsonValue cannot hold NaN or infinity, so any double here is finite.
        if (!value.isDouble())
            return text(QT_TRANSLATE_NOOP("DataPacket", "%1 must be a number or null")).arg(field.name);
        return {};
    case FieldKind::DateTime:
        if (!value.isString() || !parseDateTime(value.toString()))
            return text(QT_TRANSLATE_NOOP(
                            "DataPacket",
                            "%1 must be a local date-time like 2026-12-07T08:01:44.123, or null"))
                .arg(field.name);
        return {};
    }
    return {};
}

QString formatDateTime(const QDateTime& value) {
    return DateTimeText::format(value);
}

std::optional<QDateTime> parseDateTime(const QString& text) {
    return DateTimeText::parseIso(text);
}

QJsonValue dateTimeToJson(const std::optional<QDateTime>& value) {
    if (!value)
        return QJsonValue::Null;
    return formatDateTime(*value);
}
