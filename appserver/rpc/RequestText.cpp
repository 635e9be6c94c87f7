#include "appserver/rpc/RequestText.h"

#include <QJsonArray>
#include <QJsonObject>

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <optional>
#include <string_view>
#include <vector>

namespace {

// RapidJSON 1.1.0 refuses a high surrogate escape without its low half, but writes a lone low
// one (\udc00) out as the three bytes of a surrogate code point, which UTF-8 does not allow:
// ED followed by A0..BF. The raw bytes were validated already, so that pattern is all to look for.
bool holdsSurrogate(const char* text, rapidjson::SizeType length) {
    for (rapidjson::SizeType i = 0; i + 1 < length; ++i) {
        if (static_cast<unsigned char>(text[i]) == 0xED && static_cast<unsigned char>(text[i + 1]) >= 0xA0)
            return true;
    }
    return false;
}

// As Qt reads a number: a whole one that fits is an integer, anything else a double.
std::optional<QJsonValue> numberValue(const QByteArray& text) {
    bool ok = false;
    if (!text.contains('.') && !text.contains('e') && !text.contains('E')) {
        const qint64 whole = text.toLongLong(&ok);
        if (ok)
            return QJsonValue(whole);
    }
    const double number = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return QJsonValue(number);
}

// Builds the line's value as it is read, keeping the top-level id's number text. Returning false
// stops the reader.
class ValueBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ValueBuilder> {
public:
    QJsonValue root;
    QByteArray numericId;
    QString refusal; // why the builder stopped the reader

    bool Null() { return add(QJsonValue(QJsonValue::Null)); }
    bool Bool(bool value) { return add(QJsonValue(value)); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        const QByteArray number(text, length);
        if (atTopLevelId())
            numericId = number;
        const std::optional<QJsonValue> value = numberValue(number);
        if (!value)
            return refuse(QStringLiteral("a number out of range"));
        return add(*value);
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return isUnicode(text, length) && add(QJsonValue(QString::fromUtf8(text, length)));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        if (!isUnicode(text, length))
            return false;
        frames_.back().key = QString::fromUtf8(text, length);
        return true;
    }
    bool StartObject() { return open(true); }
    bool EndObject(rapidjson::SizeType) {
        Frame done = std::move(frames_.back());
        frames_.pop_back();
        return add(QJsonValue(std::move(done.object)));
    }
    bool StartArray() { return open(false); }
    bool EndArray(rapidjson::SizeType) {
        Frame done = std::move(frames_.back());
        frames_.pop_back();
        return add(QJsonValue(std::move(done.array)));
    }

private:
    struct Frame {
        bool isObject;
        QJsonObject object;
        QJsonArray array;
        QString key;
    };

    bool atTopLevelId() const {
        return frames_.size() == 1 && frames_.back().isObject && frames_.back().key == QLatin1String("id");
    }
    bool add(QJsonValue value) {
        if (frames_.empty()) {
            root = std::move(value);
            return true;
        }
        Frame& into = frames_.back();
        if (into.isObject)
            into.object.insert(into.key, value); // a repeated key keeps its last value, as in Qt
        else
            into.array.append(value);
        return true;
    }
    bool open(bool isObject) {
        if (frames_.size() >= RequestText::kMaxDepth)
            return refuse(QStringLiteral("nested too deeply"));
        frames_.push_back(Frame{isObject, {}, {}, {}});
        return true;
    }
    bool isUnicode(const char* text, rapidjson::SizeType length) {
        return !holdsSurrogate(text, length) || refuse(QStringLiteral("a string is not valid Unicode"));
    }
    bool refuse(const QString& why) {
        refusal = why;
        return false;
    }

    std::vector<Frame> frames_;
};

} // namespace

RequestText::RequestText(const QByteArray& line) {
    ValueBuilder builder;
    rapidjson::Reader reader;
    rapidjson::MemoryStream input(line.constData(), static_cast<size_t>(line.size()));
    // Iterative, so that deep nesting cannot exhaust the stack; numbers as text, so that an id
    // is echoed as written.
    constexpr unsigned kFlags = rapidjson::kParseValidateEncodingFlag |
                                rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;
    const rapidjson::ParseResult result = reader.Parse<kFlags>(input, builder);
    if (!result) {
        errorOffset_ = static_cast<qsizetype>(result.Offset());
        if (!builder.refusal.isEmpty())
            error_ = builder.refusal;
        else if (result.Code() == rapidjson::kParseErrorStringUnicodeSurrogateInvalid ||
                 result.Code() == rapidjson::kParseErrorStringInvalidEncoding)
            error_ = QStringLiteral("a string is not valid Unicode");
        else
            error_ = QString::fromLatin1(rapidjson::GetParseError_En(result.Code()));
        return;
    }
    value_ = std::move(builder.root);
    numericId_ = builder.numericId;
}
