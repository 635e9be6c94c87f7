#include "toolkit/NativePath.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// A name may begin with the bytes of a byte-order mark; they are part of it.
constexpr auto kDecoderFlags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;

bool isEscape(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// Hands over path in order: each stretch of ordinary characters to text, each escaped byte to byte.
// A surrogate pair is one character, whatever its low half.
template <typename Text, typename Byte> void walk(QStringView path, Text text, Byte byte) {
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i].isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!isEscape(path[i]))
            continue;
        if (i > run)
            text(path.sliced(run, i - run));
        byte(static_cast<uchar>(path[i].unicode() - 0xDC00));
        run = i + 1;
    }
    if (run < path.size())
        text(path.sliced(run));
}

} // namespace

namespace NativePath {

QString fromBytes(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, kDecoderFlags);
    QString whole = utf8.decode(bytes);
    if (!utf8.hasError())
        return whole;
    QString path;
    qsizetype i = 0;
    while (i < bytes.size()) {
        // The shortest sequence from here that decodes cleanly is one character; none: a stray byte.
        QString decoded;
        qsizetype length = 1;
        for (; length <= 4 && i + length <= bytes.size(); ++length) {
            utf8.resetState();
            decoded = utf8.decode(bytes.sliced(i, length));
            if (!utf8.hasError())
                break;
            decoded.clear();
        }
        if (decoded.isEmpty()) {
            path += QChar(static_cast<char16_t>(0xDC00 + static_cast<uchar>(bytes[i])));
            ++i;
        } else {
            path += decoded;
            i += length;
        }
    }
    return path;
}

QByteArray toBytes(QStringView path) {
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    QByteArray bytes;
    walk(
        path, [&](QStringView text) { bytes += QByteArray(utf8.encode(text)); },
        [&](uchar byte) { bytes += static_cast<char>(byte); });
    return bytes;
}

bool isUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, kDecoderFlags);
    // Decoding is lazy: only the conversion to a string finds the errors.
    const QString decoded = utf8.decode(bytes);
    return !utf8.hasError();
}

QString shown(QStringView path) {
    QString text;
    walk(
        path, [&](QStringView run) { text += run; },
        [&](uchar byte) { text += QStringLiteral("\\x") + QString::number(byte, 16).toUpper(); });
    return text;
}

} // namespace NativePath
