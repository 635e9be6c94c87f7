#include "tests/formstream/FormStreamBuilder.h"
#include "toolkit/BinaryFormToText.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ObjectResource.h"

#include <gtest/gtest.h>

namespace {

// The EStreamError message of converting input, or a test failure when it converts.
std::string failureOf(const QByteArray& input, const QString& name = QStringLiteral("test.dfm")) {
    try {
        convertForm(input, nullptr, name);
    } catch (const EStreamError& e) {
        return e.what();
    }
    ADD_FAILURE() << "converted without an error";
    return {};
}

// A small form touching every value kind, so that the cuts below land inside each of them.
QByteArray everyValueKindForm() {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1", FormStreamBuilder::Inherited | FormStreamBuilder::ChildPos, 1);
    f.property("A").list().int8(1).int16(2).int32(3).int64(4).end();
    f.property("B").extended(QByteArray("\0\0\0\0\0\0\0\xC0\xFF\x3F", 10));
    f.property("C").string("It's\r\n").property("D").ident("alTop").property("E").boolean(false);
    f.property("F").boolean(true).property("G").binary("\x01\x02\x03").property("H").set({"x", "y"});
    f.property("I").lstring("long").property("J").nil().property("K").single(1.5f);
    f.property("L").currency(15000).property("M").date(2.5).property("N").wstring(u"w\u00E9");
    f.property("O").utf8String("\xC3\xA9").property("Q").doubleValue(0.5);
    f.property("R").collection().int8(0).list().property("S").int8(1).end().list().end().end();
    f.end();
    f.object("TButton", "Button1").property("Caption").string("OK").end().end();
    f.end();
    return f.data();
}

TEST(TruncatedStream, TheUncutTestFormConverts) {
    EXPECT_NO_THROW(convertForm(everyValueKindForm()));
    EXPECT_NO_THROW(convertForm(inResource(everyValueKindForm(), "TFORM1")));
}

TEST(TruncatedStream, EveryCutOfABareStreamFails) {
    const QByteArray stream = everyValueKindForm();
    // Shorter than the signature, a prefix is plain text.
    for (qsizetype size = 4; size < stream.size(); ++size) {
        SCOPED_TRACE(size);
        const std::string message = failureOf(stream.left(size));
        EXPECT_NE(message.find("Form file 'test.dfm' is truncated at byte "), std::string::npos) << message;
    }
}

TEST(TruncatedStream, EveryCutOfAResourceFails) {
    const QByteArray stream = everyValueKindForm();
    for (qsizetype size = 0; size < stream.size(); ++size) {
        SCOPED_TRACE(size);
        // The header announces the cut size, so the reader must stop at the end of the data it owns.
        const std::string message = failureOf(inResource(stream.left(size), "TFORM1") + stream.mid(size));
        EXPECT_NE(message.find("is truncated at byte "), std::string::npos) << message;
    }
    const QByteArray file = inResource(stream, "TFORM1");
    // From the NUL of the resource type on, a cut file is no longer text.
    for (qsizetype size = 3; size < file.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_NE(failureOf(file.left(size)).find("truncated"), std::string::npos);
    }
}

TEST(TruncatedStream, ReportsWhereAndWhatWasCut) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").property("Caption").byte(6).byte(10).raw("abc");
    EXPECT_EQ(
        failureOf(f.data()),
        "Form file 'test.dfm' is truncated at byte 27 while reading a string (10 bytes needed, 3 left)");
    EXPECT_EQ(failureOf(f.data(), QString()),
              "The form stream is truncated at byte 27 while reading a string (10 bytes needed, 3 left)");
}

struct BogusLength {
    const char* label;
    QByteArray value;
    const char* needed;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const BogusLength& c, std::ostream* os) {
    *os << c.label;
}

class BogusLengthTest : public testing::TestWithParam<BogusLength> {};

TEST_P(BogusLengthTest, FailsWithoutAllocatingForIt) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").property("P").raw(GetParam().value).raw("abc").end().end();
    const std::string message = failureOf(f.data());
    EXPECT_NE(message.find(GetParam().needed), std::string::npos) << message;
}

std::string bogusLengthName(const testing::TestParamInfo<BogusLength>& info) {
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(
    EveryLengthField, BogusLengthTest,
    testing::Values(
        BogusLength{"ShortString", QByteArray("\x06\xFF", 2), "(255 bytes needed, 5 left)"},
        BogusLength{"LongString", QByteArray("\x0C\xFF\xFF\xFF\xFF", 5), "(4294967295 bytes needed"},
        BogusLength{"Utf8String", QByteArray("\x14\xFF\xFF\xFF\xFF", 5), "(4294967295 bytes needed"},
        BogusLength{"WideString", QByteArray("\x12\xFF\xFF\xFF\xFF", 5), "(8589934590 bytes needed"},
        BogusLength{"Binary", QByteArray("\x0A\xFF\xFF\xFF\x7F", 5), "(2147483647 bytes needed"}),
    bogusLengthName);

TEST(BogusLengthTest, OfTheResourceFails) {
    FormStreamBuilder f;
    f.byte(0xFF).le(quint16(10)).raw("TFORM1").byte(0).le(quint16(0)).le(quint32(0xFFFFFFFF)).raw("TPF0");
    EXPECT_EQ(failureOf(f.data()),
              "Form file 'test.dfm' is truncated: its resource header announces 4294967295 "
              "bytes of form data at byte 16, but only 4 follow");
}

TEST(MalformedStream, NamesAnUnknownValueTypeAndItsPlace) {
    // 4 signature + 7 class + 6 name + 2 property name: the value type is at byte 19.
    for (const quint8 type : {quint8(22), quint8(0x80), quint8(0xFF)}) {
        FormStreamBuilder f;
        f.signature().object("TForm1", "Form1").property("P").byte(type).end().end();
        EXPECT_EQ(failureOf(f.data()),
                  QStringLiteral("Form file 'test.dfm' has an unknown value type %1 at byte 19")
                      .arg(type)
                      .toStdString());
    }
}

TEST(MalformedStream, RejectsAnEndOfListMarkerAsAValue) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").property("P").end().end().end();
    EXPECT_EQ(failureOf(f.data()),
              "Form file 'test.dfm' has an end-of-list marker at byte 19 where a value belongs");
}

TEST(MalformedStream, RejectsACollectionItemThatIsNoList) {
    FormStreamBuilder f;
    f.signature().object("TForm1", "Form1").property("P").collection().string("x").end().end().end();
    EXPECT_EQ(failureOf(f.data()),
              "Form file 'test.dfm' has value type 6 at byte 20 where a collection item (a list) belongs");
}

TEST(MalformedStream, RejectsAChildPositionThatIsNoInteger) {
    FormStreamBuilder f;
    f.signature().byte(0xF2).string("x").object("TForm1", "Form1").end().end();
    EXPECT_EQ(failureOf(f.data()), "Form file 'test.dfm' has value type 6 at byte 5 where the position of a "
                                   "child object (an integer) belongs");
}

TEST(NotAForm, BinaryDataNamesTheFileAndTheProblem) {
    EXPECT_EQ(
        failureOf(QByteArray("MZ\x90\x00\x03\x00", 6), QStringLiteral("C:/forms/tool.exe")),
        "Form file 'C:/forms/tool.exe' is neither form text nor a binary form stream: it has a NUL byte at "
        "byte 3 and no TPF0 signature or resource header");
}

// 0xFF opens a resource header, and no form text starts with it.
TEST(NotAForm, AStartOfAResourceHeaderWithoutTheResource) {
    for (const QByteArray& data : {QByteArray("\xFF"), QByteArray("\xFF\x0A"),
                                   QByteArray("\xFF\x0A"
                                              "Caption = 1\r\n")}) {
        SCOPED_TRACE(data.toHex().toStdString());
        EXPECT_NE(failureOf(data).find("resource"), std::string::npos) << failureOf(data);
    }
}

TEST(NotAForm, Utf16TextIsNamedAsSuch) {
    EXPECT_NE(failureOf(QByteArray("\xFF\xFEo\0b\0j\0", 8)).find("is UTF-16 text"), std::string::npos);
}

TEST(NotAForm, AResourceOfAnotherType) {
    EXPECT_EQ(failureOf(QByteArray("\xFF\x05\x00NAME\x00\x00\x00\x00\x00\x00\x00", 14)),
              "Form file 'test.dfm' holds a resource of type 5; a form is stored as RCDATA (10)");
}

TEST(NotAForm, AResourceWithoutTheSignature) {
    EXPECT_EQ(failureOf(inResource("TPX0 and more", "TFORM1")),
              "Form file 'test.dfm' holds a resource at byte 16 that is not a binary form stream (no TPF0 "
              "signature)");
}

TEST(NotAForm, AResourceNameWithoutItsTerminator) {
    EXPECT_NE(failureOf(QByteArray("\xFF\x0A\x00TFORM1", 9)).find("while reading the resource name"),
              std::string::npos);
}

QByteArray nestedObjects(int depth) {
    FormStreamBuilder f;
    f.signature();
    for (int i = 0; i < depth; ++i)
        f.object("TPanel", "P").end();
    for (int i = 0; i < depth; ++i)
        f.end();
    return f.data();
}

TEST(DeepNesting, UpToTheLimitConverts) {
    const QByteArray text = convertForm(nestedObjects(FormStream::maxNesting));
    EXPECT_EQ(text.count("object P: TPanel\r\n"), FormStream::maxNesting);
    EXPECT_TRUE(text.endsWith("\r\nend\r\n"));
    EXPECT_TRUE(text.contains(QByteArray(2 * (FormStream::maxNesting - 1), ' ') + "object P: TPanel\r\n"));
}

TEST(DeepNesting, OneLevelBeyondTheLimitFails) {
    EXPECT_NE(failureOf(nestedObjects(FormStream::maxNesting + 1)).find("deeper than 1000 levels"),
              std::string::npos);
}

TEST(DeepNesting, FailsCleanlyFarBeyondTheLimit) {
    constexpr int depth = 100000;
    EXPECT_NE(failureOf(nestedObjects(depth)).find("deeper than"), std::string::npos);

    FormStreamBuilder lists;
    lists.signature().object("TForm1", "Form1").property("P");
    for (int i = 0; i < depth; ++i)
        lists.list();
    EXPECT_NE(failureOf(lists.data()).find("deeper than"), std::string::npos);

    FormStreamBuilder collections;
    collections.signature().object("TForm1", "Form1").property("P");
    for (int i = 0; i < depth; ++i)
        collections.collection().list().property("P");
    EXPECT_NE(failureOf(collections.data()).find("deeper than"), std::string::npos);
}

TEST(Devices, ThatAreNotOpenFail) {
    QByteArray bytes = "object Form1: TForm1\r\nend\r\n";
    QBuffer closed(&bytes);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    TStreamOriginalFormat format = sofText;
    EXPECT_THROW(ObjectResourceToText(closed, out, format, QStringLiteral("a.dfm")), EStreamError);

    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QBuffer readOnlyOut(&output);
    readOnlyOut.open(QIODevice::ReadOnly);
    EXPECT_THROW(ObjectResourceToText(in, readOnlyOut, format, QStringLiteral("a.dfm")), EStreamError);
}

TEST(Devices, FormatIsLeftAloneOnFailure) {
    QByteArray bytes = everyValueKindForm().chopped(1);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    TStreamOriginalFormat format = sofText;
    EXPECT_THROW(ObjectResourceToText(in, out, format), EStreamError);
    EXPECT_EQ(format, sofText);
}

} // namespace
