#include "tests/formstream/FormStreamBuilder.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ObjectResource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using Value = std::function<void(FormStreamBuilder&)>;

// One form with one property P holding the value; returns the text after "P = ".
QByteArray propertyText(const Value& value) {
    FormStreamBuilder form;
    form.signature().object("TForm1", "Form1").property("P");
    value(form);
    form.end().end();
    const QByteArray text = convertForm(form.data());
    const QByteArray head = "object Form1: TForm1\r\n  P = ";
    const QByteArray tail = "\r\nend\r\n";
    EXPECT_TRUE(text.startsWith(head) && text.endsWith(tail)) << text.toStdString();
    return text.mid(head.size(), text.size() - head.size() - tail.size());
}

QByteArray extendedBytes(bool negative, quint16 exponent, quint64 mantissa) {
    FormStreamBuilder bytes;
    bytes.le(mantissa).le(static_cast<quint16>((negative ? 0x8000 : 0) | exponent));
    return bytes.data();
}

struct ValueCase {
    const char* label;
    Value value;
    QByteArray text;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.label;
}

class ValueText : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueText, IsWrittenTheClassicWay) {
    EXPECT_EQ(propertyText(GetParam().value), GetParam().text);
}

std::string caseName(const testing::TestParamInfo<ValueCase>& info) {
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(
    Integers, ValueText,
    testing::Values(ValueCase{"Int8Negative", [](auto& f) { f.int8(-11); }, "-11"},
                    ValueCase{"Int8Max", [](auto& f) { f.int8(127); }, "127"},
                    ValueCase{"Int16Min", [](auto& f) { f.int16(-32768); }, "-32768"},
                    ValueCase{"Int16", [](auto& f) { f.int16(241); }, "241"},
                    ValueCase{"Int32Max", [](auto& f) { f.int32(2147483647); }, "2147483647"},
                    ValueCase{"Int32Min", [](auto& f) { f.int32(std::numeric_limits<qint32>::min()); },
                              "-2147483648"},
                    ValueCase{"Int64", [](auto& f) { f.int64(1234567890123); }, "1234567890123"},
                    ValueCase{"Int64Min", [](auto& f) { f.int64(std::numeric_limits<qint64>::min()); },
                              "-9223372036854775808"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Words, ValueText,
    testing::Values(ValueCase{"False", [](auto& f) { f.boolean(false); }, "False"},
                    ValueCase{"True", [](auto& f) { f.boolean(true); }, "True"},
                    ValueCase{"Nil", [](auto& f) { f.nil(); }, "nil"},
                    ValueCase{"Ident", [](auto& f) { f.ident("clBtnFace"); }, "clBtnFace"},
                    ValueCase{"EmptySet", [](auto& f) { f.set({}); }, "[]"},
                    ValueCase{"OneElementSet", [](auto& f) { f.set({"fsBold"}); }, "[fsBold]"},
                    ValueCase{"Set",
                              [](auto& f) {
                                  f.set({"akLeft", "akTop", "akRight"});
                              },
                              "[akLeft, akTop, akRight]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    AnsiStrings, ValueText,
    testing::Values(
        ValueCase{"Plain", [](auto& f) { f.string("Hello"); }, "'Hello'"},
        ValueCase{"Empty", [](auto& f) { f.string(""); }, "''"},
        ValueCase{"Quote", [](auto& f) { f.string("It's"); }, "'It''s'"},
        ValueCase{"OnlyQuotes", [](auto& f) { f.string("''"); }, "''''''"},
        ValueCase{"LineBreakInside", [](auto& f) { f.string("Hello\r\nWorld"); }, "'Hello'#13#10'World'"},
        ValueCase{"ControlFirst", [](auto& f) { f.string("\tTab"); }, "#9'Tab'"},
        ValueCase{"ControlLast", [](auto& f) { f.string("end\x01"); }, "'end'#1"},
        ValueCase{"OnlyControls", [](auto& f) { f.string("\r\n"); }, "#13#10"},
        ValueCase{"NulAndDelete", [](auto& f) { f.string(QByteArray("a\0b\x7F", 4)); }, "'a'#0'b'#127"},
        ValueCase{"HighBytesStayRaw", [](auto& f) { f.string("Caf\xE9 \x80\xFF"); }, "'Caf\xE9 \x80\xFF'"},
        ValueCase{"LongString", [](auto& f) { f.lstring(QByteArray(300, 'x') + "'"); },
                  "'" + QByteArray(300, 'x') + "'''"},
        ValueCase{"EmptyLongString", [](auto& f) { f.lstring(""); }, "''"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    UnicodeStrings, ValueText,
    testing::Values(
        ValueCase{"WideAscii", [](auto& f) { f.wstring(u"a'b"); }, "'a''b'"},
        ValueCase{"WideEmpty", [](auto& f) { f.wstring(u""); }, "''"},
        ValueCase{"WideNonAscii", [](auto& f) { f.wstring(u"Gr\u00FC\u00DFe \u20AC"); },
                  "'Gr'#252#223'e '#8364"},
        ValueCase{"WideControl", [](auto& f) { f.wstring(u"a\rb"); }, "'a'#13'b'"},
        ValueCase{"WideSurrogatePair", [](auto& f) { f.wstring(u"x\U0001F600"); }, "'x'#128512"},
        ValueCase{"WideLeadingByteOrderMark", [](auto& f) { f.wstring(u"\uFEFFx"); }, "#65279'x'"},
        ValueCase{"WideLoneSurrogates",
                  [](auto& f) {
                      f.wstring(u"a\xD800"
                                u"b\xDC00");
                  },
                  "'a'#55296'b'#56320"},
        ValueCase{"Utf8",
                  [](auto& f) {
                      f.utf8String("Gr\xC3\xBC\xC3\x9F"
                                   "e");
                  },
                  "'Gr'#252#223'e'"},
        ValueCase{"Utf8Empty", [](auto& f) { f.utf8String(""); }, "''"},
        ValueCase{"Utf8FourBytes", [](auto& f) { f.utf8String("\xF0\x9F\x98\x80!"); }, "#128512'!'"},
        ValueCase{"Utf8InvalidByte", [](auto& f) { f.utf8String("a\xFF"); }, "'a'#65533"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Floats, ValueText,
    testing::Values(
        ValueCase{"ExtendedOneAndAHalf",
                  [](auto& f) { f.extended(extendedBytes(false, 16383, 0xC000000000000000)); }, "1.5"},
        ValueCase{"ExtendedTenth",
                  [](auto& f) { f.extended(extendedBytes(false, 16379, 0xCCCCCCCCCCCCCCCD)); }, "0.1"},
        ValueCase{"ExtendedMinusTwo",
                  [](auto& f) { f.extended(extendedBytes(true, 16384, 0x8000000000000000)); }, "-2.0"},
        ValueCase{"ExtendedZero", [](auto& f) { f.extended(extendedBytes(false, 0, 0)); }, "0.0"},
        ValueCase{"ExtendedInfinity",
                  [](auto& f) { f.extended(extendedBytes(true, 0x7FFF, 0x8000000000000000)); }, "-INF"},
        ValueCase{"ExtendedNaN",
                  [](auto& f) { f.extended(extendedBytes(false, 0x7FFF, 0xC000000000000000)); }, "NAN"},
        // Written from the extended value itself, never through a double, which holds neither its
        // precision nor its range.
        ValueCase{"ExtendedBeyondDouble",
                  [](auto& f) { f.extended(extendedBytes(false, 20000, 0x8000000000000000)); },
                  "6.691050637678274925E1088"},
        ValueCase{"ExtendedLargest",
                  [](auto& f) { f.extended(extendedBytes(false, 0x7FFE, 0xFFFFFFFFFFFFFFFF)); },
                  "1.189731495357231765E4932"},
        ValueCase{"ExtendedTwentyDigits",
                  [](auto& f) { f.extended(extendedBytes(false, 0x403E, 0xAB54A98CEB1F0AD2)); },
                  "12345678901234567890.0"},
        ValueCase{"ExtendedTiny",
                  [](auto& f) { f.extended(extendedBytes(false, 0x0C17, 0xEA5C2D4976D408A0)); }, "1.5E-4000"},
        ValueCase{"DoubleTenth", [](auto& f) { f.doubleValue(0.1); }, "0.1"},
        ValueCase{"DoubleWhole", [](auto& f) { f.doubleValue(100); }, "100.0"},
        ValueCase{"DoubleLarge", [](auto& f) { f.doubleValue(1e20); }, "1.0E20"},
        ValueCase{"DoubleSmall", [](auto& f) { f.doubleValue(-1.5e-7); }, "-1.5E-7"},
        ValueCase{"DoubleNegativeZero", [](auto& f) { f.doubleValue(-0.0); }, "-0.0"},
        ValueCase{"DoubleAllDigits", [](auto& f) { f.doubleValue(0.1 + 0.2); }, "0.30000000000000004"},
        ValueCase{"Single", [](auto& f) { f.single(1.5f); }, "1.5s"},
        ValueCase{"SingleTenth", [](auto& f) { f.single(0.1f); }, "0.1s"},
        ValueCase{"Date", [](auto& f) { f.date(45000.5); }, "45000.5d"},
        ValueCase{"Currency", [](auto& f) { f.currency(125000); }, "12.5c"},
        ValueCase{"CurrencyWhole", [](auto& f) { f.currency(30000); }, "3.0c"},
        ValueCase{"CurrencyAllDecimals", [](auto& f) { f.currency(123456); }, "12.3456c"},
        ValueCase{"CurrencySmallestNegative", [](auto& f) { f.currency(-1); }, "-0.0001c"},
        ValueCase{"CurrencyZero", [](auto& f) { f.currency(0); }, "0.0c"},
        ValueCase{"CurrencyMin", [](auto& f) { f.currency(std::numeric_limits<qint64>::min()); },
                  "-922337203685477.5808c"}),
    caseName);

// Continuation lines of a value are indented one level below the property (at 2 here).
INSTANTIATE_TEST_SUITE_P(
    Blocks, ValueText,
    testing::Values(
        ValueCase{"EmptyBinary", [](auto& f) { f.binary({}); }, "{}"},
        ValueCase{"ShortBinary", [](auto& f) { f.binary("\x01\xAB\xFF"); }, "{\r\n    01ABFF}"},
        ValueCase{"BinaryOf40Bytes", [](auto& f) { f.binary(QByteArray(40, '\x5A')); },
                  "{\r\n    " + QByteArray(64, '5').replace("55", "5A") + "\r\n    5A5A5A5A5A5A5A5A}"},
        ValueCase{"EmptyList", [](auto& f) { f.list().end(); }, "()"},
        ValueCase{"List", [](auto& f) { f.list().string("a").int8(1).ident("x").end(); },
                  "(\r\n    'a'\r\n    1\r\n    x)"},
        ValueCase{"NestedList", [](auto& f) { f.list().list().int8(1).int8(2).end().list().end().end(); },
                  "(\r\n    (\r\n      1\r\n      2)\r\n    ())"},
        ValueCase{"EmptyCollection", [](auto& f) { f.collection().end(); }, "<>"},
        ValueCase{"CollectionOfEmptyItem", [](auto& f) { f.collection().list().end().end(); },
                  "<\r\n    item\r\n    end>"},
        ValueCase{"CollectionWithIndexes",
                  [](auto& f) {
                      f.collection();
                      f.int8(3).list().property("Caption").string("Name").property("Width").int16(120).end();
                      f.int16(300).list().end();
                      f.list().property("Tag").int8(1).end();
                      f.end();
                  },
                  "<\r\n    item [3]\r\n      Caption = 'Name'\r\n      Width = 120\r\n    end\r\n"
                  "    item [300]\r\n    end\r\n    item\r\n      Tag = 1\r\n    end>"},
        ValueCase{
            "ListInsideCollection",
            [](auto& f) { f.collection().list().property("Lines").list().string("a").end().end().end(); },
            "<\r\n    item\r\n      Lines = (\r\n        'a')\r\n    end>"}),
    caseName);

TEST(BinaryForm, WritesTheObjectTreeWithHeadersPropertiesAndEnds) {
    FormStreamBuilder f;
    f.signature().object("TForm2", "Form2", FormStreamBuilder::Inherited);
    f.property("Caption").string("Main").property("Font.Style").set({"fsBold"}).end();
    {
        f.object("TPanel", "Panel1").property("Align").ident("alTop").end();
        {
            f.object("TFrame1", "Frame1", FormStreamBuilder::Inline | FormStreamBuilder::ChildPos, 2);
            f.property("Tag").int8(7).end();
            f.object("TButton", "Button1", FormStreamBuilder::Inherited)
                .property("Caption")
                .string("OK")
                .end()
                .end();
            f.end();
        }
        f.end();
    }
    f.object("TTimer", "").end().end();
    f.object("TEdit", "Edit1", FormStreamBuilder::Inherited | FormStreamBuilder::Inline).end().end();
    f.object("TLabel", "Label1", FormStreamBuilder::ChildPos, -1).end().end();
    {
        f.object("TListView", "List1");
        f.property("Columns")
            .collection()
            .list()
            .property("Caption")
            .string("Name")
            .end()
            .int8(3)
            .list()
            .end()
            .end();
        f.property("Items.Strings").list().string("one").list().int8(1).end().string("three").end();
        f.end().end();
    }
    f.end();

    TStreamOriginalFormat format = sofText;
    EXPECT_EQ(convertForm(f.data(), &format), "inherited Form2: TForm2\r\n"
                                              "  Caption = 'Main'\r\n"
                                              "  Font.Style = [fsBold]\r\n"
                                              "  object Panel1: TPanel\r\n"
                                              "    Align = alTop\r\n"
                                              "    inline Frame1: TFrame1 [2]\r\n"
                                              "      Tag = 7\r\n"
                                              "      inherited Button1: TButton\r\n"
                                              "        Caption = 'OK'\r\n"
                                              "      end\r\n"
                                              "    end\r\n"
                                              "  end\r\n"
                                              "  object TTimer\r\n"
                                              "  end\r\n"
                                              "  inherited Edit1: TEdit\r\n"
                                              "  end\r\n"
                                              "  object Label1: TLabel [-1]\r\n"
                                              "  end\r\n"
                                              "  object List1: TListView\r\n"
                                              "    Columns = <\r\n"
                                              "      item\r\n"
                                              "        Caption = 'Name'\r\n"
                                              "      end\r\n"
                                              "      item [3]\r\n"
                                              "      end>\r\n"
                                              "    Items.Strings = (\r\n"
                                              "      'one'\r\n"
                                              "      (\r\n"
                                              "        1)\r\n"
                                              "      'three')\r\n"
                                              "  end\r\n"
                                              "end\r\n");
    EXPECT_EQ(format, sofBinary);
}

TEST(BinaryForm, ReadsAChildPositionOfAnyIntegerWidth) {
    FormStreamBuilder f;
    f.signature().byte(0xF2).int32(70000).object("TForm1", "Form1").end().end();
    EXPECT_EQ(convertForm(f.data()), "object Form1: TForm1 [70000]\r\nend\r\n");
}

TEST(BinaryForm, IgnoresBytesAfterTheRootObject) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").end().end().raw(QByteArray("\x00\x00garbage", 9));
    EXPECT_EQ(convertForm(f.data()), "object Form1: TForm1\r\nend\r\n");
}

TEST(BinaryForm, WritesEveryByteOfALargeBinaryBlock) {
    QByteArray block(10 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 7);
    FormStreamBuilder f;
    f.signature().object("TImage", "Image1").property("Picture.Data").binary(block).end().end();

    const QByteArray text = convertForm(f.data());
    QByteArray hex;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("    "))
            hex += line.trimmed();
    }
    hex.chop(1); // the closing brace
    EXPECT_EQ(QByteArray::fromHex(hex), block);
    EXPECT_EQ(hex, block.toHex().toUpper());
}

TEST(ResourceHeader, IsUnwrappedBeforeTheStream) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").property("Left").int16(241).end().end();
    TStreamOriginalFormat format = sofText;
    EXPECT_EQ(convertForm(inResource(f.data(), "TFORM1"), &format),
              "object Form1: TForm1\r\n  Left = 241\r\nend\r\n");
    EXPECT_EQ(format, sofBinary);
}

TEST(ResourceHeader, LimitsTheStreamToTheAnnouncedSize) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").end().end();
    // The announced size ends the stream before its last byte, although the byte follows.
    QByteArray wrapped = inResource(f.data().chopped(1), "TFORM1") + f.data().right(1);
    EXPECT_THROW(convertForm(wrapped), EStreamError);
    // And what follows the announced size is not read.
    EXPECT_EQ(convertForm(inResource(f.data(), "TFORM1") + "\xFF\xFF"), "object Form1: TForm1\r\nend\r\n");
}

} // namespace
