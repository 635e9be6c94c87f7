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
        {"pässwörd-€", 80, "pässwörd-€"},
        {"abcdef", 3, QString("abc") + QChar(0x2026)},
        {"abc", 3, "abc"},
        {"", 3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clientText(c.sent, c.maxChars), c.logged) << c.sent.toStdString();
}
