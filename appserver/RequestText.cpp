#include "appserver/RequestText.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <string_view>

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

// Reads the whole line for its validity, keeping the top-level id's number text.
class IdReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, IdReader> {
public:
    QByteArray numericId;
    bool badString = false;

    bool Default() {
        valueRead();
        return true;
    }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        if (atId())
            numericId = QByteArray(text, length);
        valueRead();
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        valueRead();
        return isUnicode(text, length);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        keyIsId_ = depth_ == 1 && std::string_view(text, length) == "id";
        return isUnicode(text, length);
    }
    bool StartObject() { return open(); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    bool atId() const { return keyIsId_ && depth_ == 1; }
    void valueRead() { keyIsId_ = false; }
    // False stops the reader.
    bool isUnicode(const char* text, rapidjson::SizeType length) {
        badString = holdsSurrogate(text, length);
        return !badString;
    }
    bool open() {
        valueRead();
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        return true;
    }

    int depth_ = 0;
    bool keyIsId_ = false;
};

} // namespace

RequestText::RequestText(const QByteArray& line) {
    IdReader handler;
    rapidjson::Reader reader;
    rapidjson::MemoryStream input(line.constData(), static_cast<size_t>(line.size()));
    // Iterative, so that deep nesting cannot exhaust the stack.
    constexpr unsigned kFlags = rapidjson::kParseValidateEncodingFlag |
                                rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;
    const rapidjson::ParseResult result = reader.Parse<kFlags>(input, handler);
    if (!result) {
        errorOffset_ = static_cast<qsizetype>(result.Offset());
        if (handler.badString || result.Code() == rapidjson::kParseErrorStringUnicodeSurrogateInvalid ||
            result.Code() == rapidjson::kParseErrorStringInvalidEncoding)
            error_ = QStringLiteral("a string is not valid Unicode");
        else
            error_ = QString::fromLatin1(rapidjson::GetParseError_En(result.Code()));
        return;
    }
    numericId_ = handler.numericId;
}
