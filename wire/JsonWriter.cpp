#include "wire/JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringEncoder>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <limits>

struct JsonWriter::State {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer{buffer};
    // Each string's UTF-8 form goes here first; its room stays between strings.
    QByteArray utf8;
    QStringEncoder encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

JsonWriter::JsonWriter() : state_(std::make_unique<State>()) {}

JsonWriter::~JsonWriter() = default;

void JsonWriter::clear() {
    state_->buffer.Clear();
    if (state_->buffer.stack_.GetCapacity() > size_t(kKeptRoom))
        state_->buffer.ShrinkToFit(); // down to the one byte it holds
    state_->writer.Reset(state_->buffer);
}

void JsonWriter::startObject() {
    state_->writer.StartObject();
}

void JsonWriter::endObject() {
    state_->writer.EndObject();
}

void JsonWriter::startArray() {
    state_->writer.StartArray();
}

void JsonWriter::endArray() {
    state_->writer.EndArray();
}

void JsonWriter::key(const char* name) {
    state_->writer.Key(name);
}

void JsonWriter::string(const QString& text) {
    QByteArray& utf8 = state_->utf8;
    const qsizetype room = state_->encoder.requiredSpace(text.size());
    if (utf8.size() < room)
        utf8.resize(room);
    char* const end = state_->encoder.appendToBuffer(utf8.data(), text);
    state_->writer.String(utf8.constData(), static_cast<rapidjson::SizeType>(end - utf8.constData()), true);
}

void JsonWriter::number(double value) {
    // 2^53: beyond it a double no longer holds every integer, and the value is written as a double.
    constexpr double kExactIntegers = 9007199254740992.0;
    if (std::trunc(value) == value && std::fabs(value) <= kExactIntegers)
        state_->writer.Int64(static_cast<int64_t>(value));
    else
        state_->writer.Double(value);
}

void JsonWriter::boolean(bool value) {
    state_->writer.Bool(value);
}

void JsonWriter::null() {
    state_->writer.Null();
}

void JsonWriter::value(const QJsonValue& json) {
    switch (json.type()) {
    case QJsonValue::Bool:
        boolean(json.toBool());
        return;
    case QJsonValue::Double:
        number(json.toDouble());
        return;
    case QJsonValue::String:
        string(json.toString());
        return;
    case QJsonValue::Array: {
        startArray();
        for (const QJsonValue& item : json.toArray())
            value(item);
        endArray();
        return;
    }
    case QJsonValue::Object: {
        startObject();
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            string(it.key()); // a key is written as a string is
            value(it.value());
        }
        endObject();
        return;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        null();
        return;
    }
}

void JsonWriter::raw(const QByteArray& json) {
    state_->writer.RawValue(json.constData(), static_cast<size_t>(json.size()), rapidjson::kObjectType);
}

QByteArray JsonWriter::text() const {
    return QByteArray(state_->buffer.GetString(), size());
}

qsizetype JsonWriter::size() const {
    return static_cast<qsizetype>(state_->buffer.GetSize());
}
