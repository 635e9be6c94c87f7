#include "tests/toolkit/LanguageTable.h"

#include "toolkit/Exceptions.h"

// ---- events ----

TEST_F(LanguageTable, EventsFollowTheOperationOnceItIsDone) {
    QStringList log;
    cds.AfterPost = [&](TClientDataSet& ds) {
        log << QString("post:%1:%2").arg(ds.State() == TDataSetState::Browse).arg(ds.GetChangeCount());
    };
    cds.AfterCancel = [&](TClientDataSet& ds) {
        log << QString("cancel:%1").arg(ds.State() == TDataSetState::Browse);
    };
    cds.AfterDelete = [&](TClientDataSet& ds) { log << QString("delete:%1").arg(ds.RecordCount()); };

    cds.Post();   // Browse: nothing to do, no event
    cds.Cancel(); // likewise
    cds.Edit();
    cds.FieldByName("QTUSO")->SetAsInteger(9);
    cds.Post();
    cds.Insert();
    cds.Cancel();
    cds.Delete();
    EXPECT_EQ(log, (QStringList{"post:1:1", "cancel:1", "delete:2"}));
}

TEST_F(LanguageTable, AFailingAfterPostPassesOutOfPostWithTheChangePosted) {
    cds.AfterPost = [](TClientDataSet&) { throw EAbort(); };
    cds.Edit();
    cds.FieldByName("QTUSO")->SetAsInteger(9);
    EXPECT_THROW(cds.Post(), EAbort);
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(cds.GetChangeCount(), 1);
    EXPECT_EQ(cds.FieldByName("QTUSO")->AsInteger(), 9);
}

TEST_F(LanguageTable, AnAfterPostHandlerCanUndoTheChange) {
    cds.AfterPost = [](TClientDataSet& ds) {
        ds.CancelUpdates();
        throw EDatabaseError("Refused by the server");
    };
    goTo("ENG");
    cds.Edit();
    cds.FieldByName("DSIDIOMA")->SetAsString("Anglais");
    EXPECT_THROW(cds.Post(), EDatabaseError);
    EXPECT_EQ(cds.GetChangeCount(), 0);
    EXPECT_EQ(cds.FieldByName("DSIDIOMA")->AsString(), "English");
}

// ---- Locate ----

namespace {

struct LocateCase {
    std::string name;
    const char* keyFields;
    QVariantList values;
    TLocateOptions options;
    const char* finds; // the code of the record found; none when Locate fails and the cursor stays
    friend void PrintTo(const LocateCase& c, std::ostream* os) { *os << c.name; }
};

class Locate : public LanguageTable, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(Locate, MovesToTheFirstMatchOrStays) {
    cds.Last();
    EXPECT_EQ(cds.Locate(GetParam().keyFields, GetParam().values, GetParam().options),
              GetParam().finds != nullptr);
    EXPECT_EQ(code(), GetParam().finds ? GetParam().finds : "ESP");
}

constexpr TLocateOptions kAnyCase = loCaseInsensitive;
constexpr TLocateOptions kPrefix = loPartialKey;

INSTANTIATE_TEST_SUITE_P(
    Keys, Locate,
    ::testing::Values(LocateCase{"OtherCase", "DSIDIOMA", {"english"}, 0, nullptr},
                      LocateCase{"Prefix", "DSIDIOMA", {"Eng"}, 0, nullptr},
                      LocateCase{"PrefixInOtherCase", "DSIDIOMA", {"eng"}, kPrefix, nullptr},
                      LocateCase{"AnyCase", "DSIDIOMA", {"english"}, kAnyCase, "ENG"},
                      LocateCase{"AnyCasePrefix", "dsidioma", {"portu"}, kAnyCase | kPrefix, "POR"},
                      LocateCase{"PrefixOnly", "DSIDIOMA", {"Portugu"}, kPrefix, "POR"},
                      // Ê and ê are different bytes the case rule does not join.
                      LocateCase{"AccentedCapital", "DSIDIOMA", {QString("PORTUGUÊS")}, kAnyCase, nullptr},
                      LocateCase{"PlainCapitals", "DSIDIOMA", {QString("PORTUGUêS")}, kAnyCase, "POR"},
                      LocateCase{"Windows1252Bytes", "DSIDIOMA", {Ansi::fromUnicode("Português")}, 0, "POR"},
                      LocateCase{"NotInTheCodePage", "DSIDIOMA", {QString("Ελληνικά")}, 0, nullptr},
                      LocateCase{"Number", "QTUSO", {1.0}, 0, "ENG"},
                      LocateCase{"NumberAsText", "QTUSO", {"3"}, 0, "POR"},
                      LocateCase{"JunkForANumber", "QTUSO", {"junk"}, 0, nullptr},
                      LocateCase{"Null", "QTUSO", {QVariant()}, 0, "ESP"},
                      LocateCase{"NoRecordHasBoth", "IDIDIOMA;QTUSO", {"ENG", 3}, 0, nullptr},
                      LocateCase{"BothKeys", "IDIDIOMA; QTUSO", {"POR", 3}, 0, "POR"},
                      LocateCase{"NoMatch", "IDIDIOMA", {"XXX"}, kAnyCase | kPrefix, nullptr}),
    CaseName());

} // namespace

TEST_F(LanguageTable, LocateRefusesUnknownFieldsAndMismatchedValues) {
    EXPECT_THROW(cds.Locate("IDIDIOMA;NOPE", {"POR", 1}, 0), EDatabaseError);
    EXPECT_THROW(cds.Locate("IDIDIOMA;QTUSO", {"POR"}, 0), EDatabaseError);
}

TEST(ClientDataSetLocate, DateTimesCompareByValue) {
    TClientDataSet cds;
    cds.SetData(packet({field("DTALT", "datetime")},
                       {QJsonArray{"2026-12-07T08:01:44.123"}, QJsonArray{"2026-12-07T08:01:44.124"}}));
    const QDateTime later(QDate(2026, 12, 7), QTime(8, 1, 44, 124));
    EXPECT_TRUE(cds.Locate("DTALT", {later}, 0));
    EXPECT_EQ(cds.RecNo(), 2);
    EXPECT_TRUE(cds.Locate("DTALT", {"2026-12-07T08:01:44.123"}, 0));
    EXPECT_EQ(cds.RecNo(), 1);
}

// ---- navigation and editing ----

TEST_F(LanguageTable, EofAndBofTurnTrueOnlyWhenAMoveGoesPastAnEnd) {
    EXPECT_EQ(codes(), (QStringList{"POR", "ENG", "ESP"}));
    EXPECT_TRUE(cds.Eof());
    EXPECT_EQ(cds.RecNo(), 3);
    cds.First();
    EXPECT_FALSE(cds.Bof());
    cds.Prior();
    EXPECT_TRUE(cds.Bof());
    EXPECT_EQ(code(), "POR");
    cds.Last();
    EXPECT_FALSE(cds.Eof());
    cds.Prior();
    EXPECT_EQ(cds.RecNo(), 2);
}

TEST_F(LanguageTable, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
    goTo("ENG");
    cds.Insert();
    EXPECT_EQ(cds.State(), TDataSetState::Insert);
    EXPECT_TRUE(cds.FieldByName("IDIDIOMA")->IsNull());
    cds.FieldByName("IDIDIOMA")->SetAsString("ITA");
    cds.Post();
    EXPECT_EQ(cds.RecNo(), 2);
    cds.Append();
    cds.FieldByName("IDIDIOMA")->SetAsString("FRA");
    cds.Post();
    EXPECT_EQ(codes(), (QStringList{"POR", "ITA", "ENG", "ESP", "FRA"}));
    EXPECT_EQ(cds.RecordCount(), 5);
}

TEST_F(LanguageTable, MovingAwayPostsATypedRecordAndDropsAnUntouchedOne) {
    cds.Append();
    cds.Next();
    EXPECT_EQ(cds.RecordCount(), 3);
    cds.Append();
    cds.FieldByName("IDIDIOMA")->SetAsString("ITA");
    cds.First();
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(cds.RecordCount(), 4);
}

TEST_F(LanguageTable, CancelDiscardsTheEditBuffer) {
    cds.Edit();
    cds.FieldByName("IDIDIOMA")->SetAsString("XXX");
    EXPECT_EQ(code(), "XXX");
    cds.Cancel();
    EXPECT_EQ(code(), "POR");
    EXPECT_EQ(cds.GetChangeCount(), 0);
}

TEST(ClientDataSetState, ClosedAndEmptyDataSetsRefuseWhatNeedsARecord) {
    TClientDataSet cds("cdsVazio");
    TField* name = cds.AddField("NOME", TFieldType::String, 10);
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { cds.Insert(); }, [&] { cds.Edit(); }, [&] { cds.Post(); }, [&] { cds.First(); },
             [&] { cds.Next(); }, [&] { name->AsString(); }, [&] { cds.Data(); }}) {
        try {
            operation();
            ADD_FAILURE() << "a closed data set accepted an operation";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.message(), "Data set cdsVazio is not open");
        }
    }

    cds.Open();
    EXPECT_TRUE(cds.Eof());
    EXPECT_TRUE(cds.Bof());
    EXPECT_EQ(cds.RecNo(), 0);
    EXPECT_TRUE(name->IsNull()); // reading an empty set gives null, not an error
    EXPECT_THROW(cds.Edit(), EDatabaseError);
    EXPECT_THROW(cds.Delete(), EDatabaseError);
    EXPECT_THROW(name->SetAsString("x"), EDatabaseError); // Browse state

    cds.Append();
    name->SetAsString("x");
    cds.Post();
    cds.Close();
    EXPECT_FALSE(cds.Active());
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 0);
    EXPECT_EQ(cds.GetChangeCount(), 0);
}

// ---- loading and saving packets ----

TEST(ClientDataSetPacket, WithoutDeclaredFieldsThePacketGivesTheLayout) {
    TClientDataSet cds;
    cds.SetData(languages());
    EXPECT_EQ(cds.FieldCount(), 3);
    EXPECT_EQ(cds.FieldByName("dsidioma")->Size(), 30);
    EXPECT_EQ(cds.FieldByName("QTUSO")->DataType(), TFieldType::Number);
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(cds.Data(), languages());
}

TEST_F(LanguageTable, ARefusedPacketIsNamedForTheDataSetAndLeavesItClosed) {
    try {
        cds.SetData(packet(languageFields(), {QJsonArray{"PORT", "Português", 1}}));
        FAIL() << "a value too long for its field was loaded";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().startsWith("Data set cdsIdioma: Row 1: ")) << e.what();
    }
    EXPECT_FALSE(cds.Active());
}
