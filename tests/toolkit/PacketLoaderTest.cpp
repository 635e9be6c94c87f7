#include "tests/toolkit/LanguageTable.h"

#include "toolkit/Exceptions.h"
#include "toolkit/PacketLoader.h"

namespace {

using DataPacket::Row;

const QJsonArray kFields = {stringField("IDIDIOMA", 3), field("QTUSO", "number"), field("DTALT", "datetime")};
const QJsonArray kGoodRow = {"POR", 1, "2026-12-07T08:01:44.123"};

struct BadPacket {
    std::string name;
    bool declared; // the loader is given the fields of kFields as the data set's own
    QJsonObject packet;
    const char* mentions;
    friend void PrintTo(const BadPacket& c, std::ostream* os) { *os << c.name; }
};

class PacketRefusal : public ::testing::TestWithParam<BadPacket> {};

TEST_P(PacketRefusal, SaysWhatIsWrong) {
    const QList<TFieldDef> declared = {{"IDIDIOMA", TFieldType::String, 3},
                                       {"QTUSO", TFieldType::Number, 0},
                                       {"DTALT", TFieldType::DateTime, 0}};
    PacketLoader loader;
    loader.load(packet(kFields, {kGoodRow}), nullptr); // what it keeps of this must not let a bad one in
    try {
        loader.load(GetParam().packet, GetParam().declared ? &declared : nullptr);
        FAIL() << "accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(GetParam().mentions)) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Packets, PacketRefusal,
    ::testing::Values(
        BadPacket{"NoFields", false, QJsonObject{{"rows", QJsonArray{}}}, "fields"},
        BadPacket{"NoRows", false, QJsonObject{{"fields", kFields}}, "rows"},
        BadPacket{"UnknownType", false, packet({field("IDIDIOMA", "blob")}, {}), "IDIDIOMA"},
        BadPacket{"StringWithoutSize", false, packet({field("IDIDIOMA", "string")}, {}), "IDIDIOMA"},
        BadPacket{"ShortRow", false, packet(kFields, {QJsonArray{"POR", 1}}), "Row 1"},
        BadPacket{"RowNotAnArray", false, packet(kFields, {kGoodRow, "POR"}), "Row 2"},
        BadPacket{"NumberAsText", false, packet(kFields, {QJsonArray{"POR", "1", QJsonValue::Null}}),
                  "QTUSO"},
        BadPacket{"TextAsNumber", false, packet(kFields, {QJsonArray{7, 1, QJsonValue::Null}}), "IDIDIOMA"},
        BadPacket{"BadDate", false, packet(kFields, {QJsonArray{"POR", 1, "07/12/2026"}}), "DTALT"},
        BadPacket{"TooLong", false, packet(kFields, {QJsonArray{"PORT", 1, QJsonValue::Null}}), "IDIDIOMA"},
        BadPacket{"NotWindows1252", false, packet(kFields, {QJsonArray{"Ω", 1, QJsonValue::Null}}),
                  "IDIDIOMA"},
        BadPacket{"DeclaredFieldMissing", true, packet({stringField("IDIDIOMA", 3)}, {}), "QTUSO"},
        BadPacket{
            "DeclaredFieldOfOtherKind", true,
            packet({stringField("IDIDIOMA", 3), stringField("QTUSO", 5), field("DTALT", "datetime")}, {}),
            "QTUSO"},
        // The packet's own size may be larger; what counts is that each value fits the declared one.
        BadPacket{"TooLongForTheDeclaredField", true,
                  packet({stringField("IDIDIOMA", 10), field("QTUSO", "number"), field("DTALT", "datetime")},
                         {QJsonArray{"PORTUGUES", 1, QJsonValue::Null}}),
                  "IDIDIOMA"}),
    CaseName());

TEST(LoadingPackets, DeclaredFieldsAreFoundByNameWhateverTheOrderAndTheRestLeftOut) {
    TClientDataSet cds;
    TField* id = cds.AddField("IDIDIOMA", TFieldType::String, 3);
    TField* uses = cds.AddField("QtUso", TFieldType::Number);
    cds.SetData(packet({field("qtuso", "number"), stringField("DSIDIOMA", 30), stringField("ididioma", 10)},
                       {QJsonArray{7, "Português", "POR"}}));
    EXPECT_EQ(cds.FieldCount(), 2);
    EXPECT_EQ(id->AsString(), "POR");
    EXPECT_EQ(uses->AsInteger(), 7);
    EXPECT_EQ(cds.FindField("DSIDIOMA"), nullptr);
    EXPECT_EQ(cds.Data(),
              packet({stringField("IDIDIOMA", 3), field("QtUso", "number")}, {QJsonArray{"POR", 7}}));
}

TEST(LoadingPackets, WhatItKeepsOfAPacketServesOnlyTheSameLayout) {
    const QList<TFieldDef> declared = {{"IDIDIOMA", TFieldType::String, 3}};
    PacketLoader loader;
    EXPECT_EQ(loader.load(languages(), &declared).rows.at(1), Row{AnsiString("ENG")});
    const PacketLoader::Content content = loader.load(languages(), nullptr);
    EXPECT_EQ(Wire::describeFields(content.layout), languageFields());
    EXPECT_EQ(content.rows.at(1), (Row{AnsiString("ENG"), AnsiString("English"), 1.0}));
}

TEST(LoadingPackets, DateTimesAndWindows1252TextSurviveTheRoundTripThroughADataSet) {
    TClientDataSet source;
    TField* name = source.AddField("DSIDIOMA", TFieldType::String, 30);
    TField* when = source.AddField("DTALT", TFieldType::DateTime);
    source.CreateDataSet();
    const QDateTime moment(QDate(2026, 12, 7), QTime(8, 1, 44, 123));
    source.Append();
    name->SetAsString(Ansi::fromUnicode("Português"));
    when->SetAsDateTime(moment);
    source.Post();
    source.Append();
    name->SetAsString("");
    source.Post();

    const QJsonObject data = source.Data();
    EXPECT_EQ(data.value("rows").toArray().at(0), (QJsonArray{"Português", "2026-12-07T08:01:44.123"}));
    EXPECT_EQ(data.value("rows").toArray().at(1), (QJsonArray{"", QJsonValue::Null}));

    TClientDataSet copy;
    copy.SetData(data);
    EXPECT_EQ(copy.FieldByName("DSIDIOMA")->AsString(), AnsiString("Portugu\xEAs"));
    EXPECT_EQ(copy.FieldByName("DTALT")->AsDateTime(), moment);
    copy.Next();
    EXPECT_FALSE(copy.FieldByName("DSIDIOMA")->IsNull()) << "an empty string is not null";
    EXPECT_TRUE(copy.FieldByName("DTALT")->IsNull());
    EXPECT_EQ(copy.Data(), data);
}

} // namespace
