#include "tests/formstream/FormStreamBuilder.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ObjectResource.h"

#include <gtest/gtest.h>

namespace {

struct PassthroughCase {
    const char* label;
    QByteArray bytes;
    TStreamOriginalFormat format;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const PassthroughCase& c, std::ostream* os) {
    *os << c.label;
}

class TextPassthrough : public testing::TestWithParam<PassthroughCase> {};

TEST_P(TextPassthrough, CopiesTheBytesUnchangedAndReportsTheFormat) {
    TStreamOriginalFormat format = sofUnknown;
    EXPECT_EQ(convertForm(GetParam().bytes, &format), GetParam().bytes);
    EXPECT_EQ(format, GetParam().format);
}

std::string passthroughName(const testing::TestParamInfo<PassthroughCase>& info) {
    return info.param.label;
}

const QByteArray formText = "object Form1: TForm1\n  Caption = 'A'\nend\n";

INSTANTIATE_TEST_SUITE_P(
    LineEndsAndEncodings, TextPassthrough,
    testing::Values(
        PassthroughCase{"Lf", formText, sofText},
        PassthroughCase{"CrLf", "object Form1: TForm1\r\n  Caption = 'A'\r\nend\r\n", sofText},
        PassthroughCase{"Cr", "object Form1: TForm1\r  Caption = 'A'\rend\r", sofText},
        PassthroughCase{"Mixed", "object Form1: TForm1\r\n  Left = 1\n  Top = 2\r  Caption = 'A'\n\rend",
                        sofText},
        PassthroughCase{"NoFinalLineEnd", "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd", sofText},
        PassthroughCase{"Windows1252", "Caption = 'Caf\xE9 \x80 \xFF\x9F'\r\n", sofText},
        PassthroughCase{"Utf8WithoutBom",
                        "Caption = 'Gr\xC3\xBC\xC3\x9F"
                        "e'\n",
                        sofText},
        PassthroughCase{"Utf8Bom",
                        "\xEF\xBB\xBFobject Form1: TForm1\r\n  Caption = '\xE2\x82\xAC'\r\nend\r\n",
                        sofUTF8Text},
        PassthroughCase{"Empty", QByteArray(), sofText},
        // Too short to be a signature: ordinary text.
        PassthroughCase{"SignatureStart", "TPF", sofText}),
    passthroughName);

TEST(TextPassthroughDetection, OnlyTheFirst4KbDecideWhetherANulMakesItBinary) {
    QByteArray late(4096, 'a');
    late.append('\0');
    late.append("rest");
    EXPECT_EQ(convertForm(late), late);

    QByteArray early(4095, 'a');
    early.append('\0');
    EXPECT_THROW(convertForm(early), EStreamError);
}

TEST(TextPassthroughDetection, ReadsFromTheCurrentPositionOfTheInput) {
    QByteArray input = "skip:object Form1: TForm1\r\nend\r\n";
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    in.seek(5);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    TStreamOriginalFormat format = sofText;
    ObjectResourceToText(in, out, format);
    EXPECT_EQ(output, input.mid(5));
    EXPECT_TRUE(in.atEnd());
}

TEST(TextPassthroughDetection, CopiesLargeTextWhole) {
    QByteArray big;
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += "  Caption = 'Line " + QByteArray::number(i) + "'" + (i % 3 == 0 ? "\r\n" : "\n");
    EXPECT_EQ(convertForm(big), big);
}

} // namespace
