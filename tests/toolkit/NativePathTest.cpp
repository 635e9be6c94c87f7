#include "toolkit/NativePath.h"

#include <gtest/gtest.h>

#include <vector>

// Every name comes back as the bytes it was; valid UTF-8 decodes to its characters, and a name is
// shown with only its stray bytes escaped.
TEST(NativePaths, ANameRoundTripsToItsBytesAndShowsItsStrayBytesAsEscapes) {
    struct Case {
        QByteArray bytes;
        QString shown;
    };
    QByteArray highBytes;
    QString highBytesShown;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        highBytes += static_cast<char>(byte);
        highBytesShown += QStringLiteral("\\x") + QString::number(byte, 16).toUpper();
    }
    const std::vector<Case> cases = {
        {"", QStringLiteral("")},
        {"forms/Cliente.Ebf", QStringLiteral("forms/Cliente.Ebf")},
        {"Pre\xC3\xA7o", QStringLiteral("Preço")},
        {"\xEF\xBB\xBFTela", QStringLiteral("\uFEFFTela")}, // QString::fromUtf8 would drop it
        {"\xEF\xBF\xBD", QStringLiteral("\uFFFD")},         // a replacement character of the name's own
        {"\xF0\x9F\x92\x80", QStringLiteral("\U0001F480")}, // its low half is U+DC80, yet no escape
        {"forms-\xFF", QStringLiteral("forms-\\xFF")},
        {"\xF0\x9F\x92\x80\xFF", QStringLiteral("\U0001F480\\xFF")},
        {"a\xE2\x82/b\xE2", QStringLiteral("a\\xE2\\x82/b\\xE2")},             // cut short
        {"\xC0\x80\xE0\x80\xAF", QStringLiteral("\\xC0\\x80\\xE0\\x80\\xAF")}, // overlong
        {"\xED\xA0\x80", QStringLiteral("\\xED\\xA0\\x80")},                   // an encoded surrogate
        {"\xED\xB2\x80", QStringLiteral("\\xED\\xB2\\x80")},                   // U+DC80 itself, encoded
        {"\xF4\x90\x80\x80", QStringLiteral("\\xF4\\x90\\x80\\x80")},          // past U+10FFFF
        {"x\x80y\xC3\xA9\xFE\xE9", QStringLiteral("x\\x80y\u00E9\\xFE\\xE9")},
        {highBytes, highBytesShown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex(' ').toStdString());
        const QString decoded = NativePath::fromBytes(c.bytes);
        EXPECT_EQ(NativePath::toBytes(decoded), c.bytes);
        EXPECT_EQ(NativePath::shown(decoded), c.shown);
        const bool utf8 = !c.shown.contains(QStringLiteral("\\x"));
        EXPECT_EQ(NativePath::isUtf8(c.bytes), utf8);
        if (utf8) {
            EXPECT_EQ(decoded, c.shown);
        }
    }
}
