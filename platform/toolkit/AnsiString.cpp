#include "toolkit/AnsiString.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace Ansi {

AnsiString Copy(const AnsiString& s, qsizetype pos, qsizetype count) {
    if (pos < 1 || count <= 0 || pos > s.size())
        return {};
    return s.mid(pos - 1, count);
}

qsizetype Pos(const AnsiString& sub, const AnsiString& s) {
    if (sub.isEmpty())
        return 0;
    return s.indexOf(sub) + 1;
}

AnsiString Trim(const AnsiString& s) {
    qsizetype first = 0;
    qsizetype last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= 32)
        --last;
    return s.mid(first, last - first);
}

AnsiString TrimRight(const AnsiString& s) {
    qsizetype last = s.size();
    while (last > 0 && static_cast<unsigned char>(s[last - 1]) <= 32)
        --last;
    return s.left(last);
}

AnsiString UpperCase(const AnsiString& s) {
    AnsiString out = s;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return out;
}

bool SameText(const AnsiString& a, const AnsiString& b) {
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

bool sameTextAt(QByteArrayView sub, QByteArrayView s, qsizetype at) {
    for (qsizetype i = 0; i < sub.size(); ++i)
        if (upper(s[at + i]) != upper(sub[i]))
            return false;
    return true;
}

} // namespace

bool StartsText(QByteArrayView sub, QByteArrayView s) {
    return sub.size() <= s.size() && sameTextAt(sub, s, 0);
}

bool ContainsText(QByteArrayView sub, QByteArrayView s) {
    for (qsizetype at = 0; at + sub.size() <= s.size(); ++at)
        if (sameTextAt(sub, s, at))
            return true;
    return false;
}

namespace {

// Windows-1252 agrees with ASCII, and most text here is ASCII.
bool isAscii(QByteArrayView s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

QString toUnicode(const AnsiString& s) {
    if (isAscii(s))
        return QString::fromLatin1(s); // the same characters, without the converter's overhead
    // Every byte has a meaning in Windows-1252 (the five undefined ones map to C1 controls), so
    // decoding cannot fail.
    // Opening a converter costs more than converting a caption: keep one per thread. A
    // single-byte decoder carries no state from one call to the next.
    thread_local QStringDecoder decoder("windows-1252");
    return decoder.decode(s);
}

bool tryFromUnicode(const QString& text, AnsiString& out) {
    if (isAscii(text)) {
        out = text.toLatin1();
        return true;
    }
    // One encoder per thread, as for decoding.
    thread_local QStringEncoder encoder("windows-1252");
    AnsiString encoded = encoder.encode(text);
    if (encoder.hasError()) {
        // Its error flag sticks once set, and resetState() does not clear it on an ICU encoder:
        // the next conversion gets a fresh one.
        encoder = QStringEncoder("windows-1252");
        return false;
    }
    // The encoder substitutes what it cannot map; a round trip tells whether anything was lost.
    if (toUnicode(encoded) != text)
        return false;
    out = std::move(encoded);
    return true;
}

AnsiString fromUnicode(const QString& text, const QString& what) {
    AnsiString out;
    if (!tryFromUnicode(text, out))
        throw EConvertError(notInCodePage(text, what));
    return out;
}

QString notInCodePage(const QString& text, const QString& what) {
    const QString subject = what.isEmpty() ? QCoreApplication::translate("Ansi", "Text") : what;
    return QCoreApplication::translate("Ansi", "%1 \"%2\" cannot be written in the Windows-1252 code page")
        .arg(subject, text);
}

} // namespace Ansi
