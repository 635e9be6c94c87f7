#include "toolkit/StringList.h"
#include "toolkit/Exceptions.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QStringList>

namespace {

QList<AnsiString> linesOf(const TStringList& list) {
    QList<AnsiString> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.append(list[i]);
    return lines;
}

QList<AnsiString> load(const QByteArray& bytes) {
    TStringList list;
    list.LoadFromBytes(bytes);
    return linesOf(list);
}

} // namespace

TEST(StringListLines, EachKindOfLineEndEndsOneLine) {
    struct Case {
        QByteArray input;
        QList<AnsiString> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF CR is two ends, not one
        {"\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"a\r", {"a"}},
        {"a\n\n", {"a", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load(c.input), c.lines) << "input: " << c.input.toPercentEncoding().constData();
        // Counting without loading must agree: the capture counts lines one way and scans them
        // the other.
        EXPECT_EQ(TStringList::CountLines(c.input), c.lines.size())
            << "input: " << c.input.toPercentEncoding().constData();
    }
}

TEST(StringListLines, BytesAreKeptAsTheyAre) {
    const QByteArray bytes("Portugu\xEAs\n\x80\x00\x01 \t\n", 16);
    EXPECT_EQ(load(bytes), (QList<AnsiString>{"Portugu\xEAs", QByteArray("\x80\x00\x01 \t", 5)}));
}

TEST(StringListLines, LoadingReplacesThePreviousLines) {
    TStringList list;
    list.Add("old");
    list.LoadFromBytes("new\n");
    EXPECT_EQ(linesOf(list), QList<AnsiString>{"new"});
    list.LoadFromBytes("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringListLines, ManyLinesAllArrive) {
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += QByteArray::number(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    TStringList list;
    list.LoadFromBytes(bytes);
    ASSERT_EQ(list.Count(), 100000);
    EXPECT_EQ(list[0], "0");
    EXPECT_EQ(list[99999], "99999");
}

TEST(StringListStream, ReadsFromTheStreamPositionToItsEnd) {
    QByteArray bytes("header\r\nline 1\r\nline 2");
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    ASSERT_TRUE(buffer.seek(8));
    TStringList list;
    list.LoadFromStream(buffer);
    EXPECT_EQ(linesOf(list), (QList<AnsiString>{"line 1", "line 2"}));
}

TEST(StringListStream, AStreamNotOpenForReadingIsRefused) {
    QBuffer buffer;
    TStringList list;
    EXPECT_THROW(list.LoadFromStream(buffer), EStreamError);
}
