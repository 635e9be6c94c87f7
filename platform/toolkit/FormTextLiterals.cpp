#include "toolkit/FormTextLiterals.h"

#include <QList>
#include <QtEndian>

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace FormStream {

namespace {

bool isPrintableAscii(char32_t c) {
    return c >= 0x20 && c < 0x7F;
}

// Shared by both string kinds: quote printable runs, escape the rest, open and close quotes lazily.
class QuotedStringWriter {
public:
    explicit QuotedStringWriter(QByteArray& out) : out_(out) {}

    void quoted(char c) {
        if (!inQuotes_) {
            out_ += '\'';
            inQuotes_ = true;
        }
        out_ += c;
        if (c == '\'')
            out_ += '\'';
    }
    void escaped(quint32 code) {
        if (inQuotes_) {
            out_ += '\'';
            inQuotes_ = false;
        }
        out_ += '#';
        appendInteger(out_, code);
    }
    void finish(bool wroteAnything) {
        if (inQuotes_)
            out_ += '\'';
        else if (!wroteAnything)
            out_ += "''";
    }

private:
    QByteArray& out_;
    bool inQuotes_ = false;
};

// to_chars gives "1e+20", "1.5e-07", "100": turn that into "1.0E20", "1.5E-7", "100.0".
void appendClassicFloat(QByteArray& out, std::string_view shortest) {
    const size_t e = shortest.find('e');
    const std::string_view mantissa = shortest.substr(0, e);
    out.append(mantissa.data(), static_cast<qsizetype>(mantissa.size()));
    if (mantissa.find('.') == std::string_view::npos)
        out += ".0";
    if (e == std::string_view::npos)
        return;
    out += 'E';
    std::string_view exponent = shortest.substr(e + 1);
    if (exponent.front() == '-') {
        out += '-';
        exponent.remove_prefix(1);
    } else if (exponent.front() == '+') {
        exponent.remove_prefix(1);
    }
    while (exponent.size() > 1 && exponent.front() == '0')
        exponent.remove_prefix(1);
    out.append(exponent.data(), static_cast<qsizetype>(exponent.size()));
}

template <typename Float> void appendFloat(QByteArray& out, Float value) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    appendClassicFloat(out, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

} // namespace

void appendQuotedAnsi(QByteArray& out, QByteArrayView bytes) {
    QuotedStringWriter writer(out);
    for (const char c : bytes) {
        const auto code = static_cast<quint8>(c);
        if (code >= 0x20 && code != 0x7F)
            writer.quoted(c);
        else
            writer.escaped(code);
    }
    writer.finish(!bytes.isEmpty());
}

void appendQuotedUnicode(QByteArray& out, QStringView text) {
    QuotedStringWriter writer(out);
    // A pair of surrogates is one character; a lone one is written as its own code.
    for (qsizetype i = 0; i < text.size(); ++i) {
        uint code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (isPrintableAscii(code))
            writer.quoted(static_cast<char>(code));
        else
            writer.escaped(code);
    }
    writer.finish(!text.isEmpty());
}

void appendInteger(QByteArray& out, qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendDouble(QByteArray& out, double value) {
    appendFloat(out, value);
}

void appendSingle(QByteArray& out, float value) {
    appendFloat(out, value);
}

void appendExtended(QByteArray& out, long double value) {
    appendFloat(out, value);
}

void appendCurrency(QByteArray& out, qint64 tenThousandths) {
    // Unsigned arithmetic so that the most negative amount has a magnitude too.
    quint64 magnitude = static_cast<quint64>(tenThousandths);
    if (tenThousandths < 0) {
        out += '-';
        magnitude = 0 - magnitude;
    }
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude / 10000);
    out.append(buffer, result.ptr - buffer);
    out += '.';
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    int digits = 4;
    while (digits > 1 && fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    result = std::to_chars(buffer, buffer + sizeof buffer, fraction);
    out.append(digits - (result.ptr - buffer), '0');
    out.append(buffer, result.ptr - buffer);
}

static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "extended floats are converted exactly only where long double is the x87 format");

long double extendedToLongDouble(QByteArrayView tenBytes) {
    Q_ASSERT(tenBytes.size() == 10);
    const quint64 mantissa = qFromLittleEndian<quint64>(tenBytes.data());
    const quint16 signAndExponent = qFromLittleEndian<quint16>(tenBytes.data() + 8);
    const bool negative = (signAndExponent & 0x8000) != 0;
    const int exponent = signAndExponent & 0x7FFF;
    long double magnitude;
    if (exponent == 0x7FFF) {
        // The integer bit is ignored here: with an all-ones exponent only the fraction tells
        // infinity from NaN.
        magnitude = (mantissa << 1) == 0 ? HUGE_VALL : std::nanl("");
    } else {
        // Denormals use the exponent of the smallest normal number; the explicit integer bit
        // is simply part of the mantissa either way. Every such value is a long double: exact.
        const int unbiased = (exponent == 0 ? 1 : exponent) - 16383;
        magnitude = std::ldexp(static_cast<long double>(mantissa), unbiased - 63);
    }
    return negative ? -magnitude : magnitude;
}

void appendHex(QByteArray& out, QByteArrayView bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const qsizetype start = out.size();
    out.resize(start + 2 * bytes.size());
    char* p = out.data() + start;
    for (const char c : bytes) {
        const auto code = static_cast<quint8>(c);
        *p++ = digits[code >> 4];
        *p++ = digits[code & 0x0F];
    }
}

} // namespace FormStream
