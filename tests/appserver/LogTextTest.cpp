#include "appserver/rpc/LogText.h"

#include <gtest/gtest.h>

// What a client sent reaches the log as one line of bounded length.

TEST(LogTextTest, ShowsClientTextEscapedAndCut) {
    const struct {
        QString sent;
        qsizetype maxChars;
        QString logged;
    } cases[] = {
        {"GetVersao", 80, "GetVersao"},
        {"a\nconnection 9: opened", 80, "a\\nconnection 9: opened"},
        {"\r\t\\", 80, "\\r\\t\\\\"},
        {QString(QChar(0x1b)) + "[31m", 80, "\\x1b[31m"},
        {QString(QChar(0x7f)), 80, "\\x7f"},
        {QString(QChar(0x2028)) + QChar(0x85), 80, "\\u2028\\u0085"},
        {QString(QChar(0x202e)) + "gpj.exe", 80, "\\u202egpj.exe"},
        {QString(QChar(0x2066)) + "a" + QChar(0x2069), 80, "\\u2066a\\u2069"},
        {QString(QChar(0x200b)) + QChar(0x200f) + QChar(0x2060) + QChar(0xfeff) + QChar(0xad), 80,
         "\\u200b\\u200f\\u2060\\ufeff\\u00ad"},
        {QString::fromUcs4(U"\U000E0001x"), 80, "\\U000e0001x"},
        {QString::fromUcs4(U"\U0001F511 e\u0301 \u05d0"), 80,
         QString::fromUcs4(U"\U0001F511 e\u0301 \u05d0")},
        {"pässwörd-€", 80, "pässwörd-€"},
        {"abcdef", 3, QString("abc") + QChar(0x2026)},
        {"abc", 3, "abc"},
        {"", 3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clientText(c.sent, c.maxChars), c.logged) << c.sent.toStdString();
}
