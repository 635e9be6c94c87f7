#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// How values of a binary form stream are spelled in the text form. Everything appends to out,
// because a large form has many values and one growing buffer keeps the conversion linear.
namespace FormStream {

// Single-byte text in the form's code page: runs of printable bytes in single quotes (a quote
// doubled), control bytes as #n. Bytes 128..255 stay raw, so the text remains Windows-1252 like
// the text form files the scanner reads, and #n never has to mean a code-page byte.
void appendQuotedAnsi(QByteArray& out, QByteArrayView bytes);

// Unicode text: printable ASCII quoted as above, every other character as #n with n its Unicode
// code point (a pair of surrogates gives one #n). The result is plain ASCII in any code page.
void appendQuotedUnicode(QByteArray& out, QStringView text);

void appendInteger(QByteArray& out, qint64 value);

// The shortest text that reads back as the same double. It always has a decimal point, so it
// cannot be taken for an integer; exponents are written 1.5E-7. Infinities and NaN as INF, NAN.
void appendDouble(QByteArray& out, double value);
// The same for a 4-byte float: shortest text that reads back as the same float.
void appendSingle(QByteArray& out, float value);
// A currency amount is an integer count of 1/10000; written exactly, e.g. 12.5.
void appendCurrency(QByteArray& out, qint64 tenThousandths);

// The same for a 10-byte extended float: shortest text that reads back as the same value.
void appendExtended(QByteArray& out, long double value);

// The 10-byte x87 extended float (64-bit mantissa with explicit integer bit, 15-bit exponent, sign)
// as it is: long double here has the same 64-bit mantissa and 15-bit exponent.
long double extendedToLongDouble(QByteArrayView tenBytes);

// Two upper-case hex digits per byte.
void appendHex(QByteArray& out, QByteArrayView bytes);

} // namespace FormStream
