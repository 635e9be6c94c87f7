// Feeds arbitrary bytes to the form-stream conversion. EStreamError is its one way of refusing
// input; any other exception, a crash, a hang or a leak is a fault. On success the result is
// checked against what ObjectResource.h promises.

#include "toolkit/Exceptions.h"
#include "toolkit/ObjectResource.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void broken(const char* promise) {
    std::fprintf(stderr, "ObjectResourceToText broke its promise: %s\n", promise);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QByteArray text;
    QBuffer out(&text);
    out.open(QIODevice::WriteOnly);

    TStreamOriginalFormat format = sofText;
    try {
        ObjectResourceToText(in, out, format, QStringLiteral("fuzz.dfm"));
    } catch (const EStreamError&) {
        if (format != sofText)
            broken("format changed although the conversion failed");
        return 0;
    }

    switch (format) {
    case sofBinary:
        if (!text.endsWith("\r\n"))
            broken("the text of a binary stream ends without CRLF");
        break;
    case sofText:
    case sofUTF8Text:
        if (text != input)
            broken("text was not copied byte for byte");
        if ((format == sofUTF8Text) != input.startsWith("\xEF\xBB\xBF"))
            broken("sofUTF8Text does not match the byte-order mark");
        break;
    default:
        broken("an unknown format was reported");
    }
    return 0;
}
