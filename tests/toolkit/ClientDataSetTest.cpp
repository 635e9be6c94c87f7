#include "toolkit/ClientDataSet.h"
#include "toolkit/Exceptions.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

QJsonObject stringField(const QString& name, int size) {
    return {{"name", name}, {"type", "string"}, {"size", size}};
}
QJsonObject field(const QString& name, const QString& type) {
    return {{"name", name}, {"type", type}};
}
// Rows as a list rather than a QJsonArray: braces around a single QJsonArray would copy it.
QJsonObject packet(const QJsonArray& fields, std::initializer_list<QJsonValue> rows) {
    QJsonArray rowArray;
    for (const QJsonValue& row : rows)
        rowArray.append(row);
    return {{"fields", fields}, {"rows", rowArray}};
}

// The language table of the module: code, name and a count.
QJsonArray languageFields() {
    return {stringField("IDIDIOMA", 3), stringField("DSIDIOMA", 30), field("QTUSO", "number")};
}
QJsonObject languages() {
    return packet(languageFields(), {QJsonArray{"POR", "Português", 3}, QJsonArray{"ENG", "English", 1},
                                     QJsonArray{"ESP", "Español", QJsonValue::Null}});
}

class LanguageTable : public ::testing::Test {
protected:
    void SetUp() override {
        cds.AddField("IDIDIOMA", TFieldType::String, 3);
        cds.AddField("DSIDIOMA", TFieldType::String, 30);
        cds.AddField("QTUSO", TFieldType::Number);
        cds.SetData(languages());
    }
    AnsiString code() const { return cds.FieldByName("IDIDIOMA")->AsString(); }
    void goTo(const char* id) { ASSERT_TRUE(cds.Locate("IDIDIOMA", {id}, 0)) << id; }
    void rename(const char* id, const QString& name) {
        goTo(id);
        cds.Edit();
        cds.FieldByName("DSIDIOMA")->SetAsString(Ansi::fromUnicode(name));
        cds.Post();
    }
    QJsonArray changes() const { return cds.GetDelta().value("changes").toArray(); }
    QStringList codes() {
        QStringList out;
        for (cds.First(); !cds.Eof(); cds.Next())
            out << Ansi::toUnicode(code());
        return out;
    }

    TClientDataSet cds{"cdsIdioma"};
};

QJsonObject change(const QString& op, const QJsonArray& original, const QJsonArray& values) {
    QJsonObject entry{{"op", op}};
    if (!original.isEmpty())
        entry.insert("original", original);
    if (!values.isEmpty())
        entry.insert("values", values);
    return entry;
}

} // namespace

// ---- change log and delta ----

TEST_F(LanguageTable, EditsInsertsAndDeletesMakeOneChangeEachInTheOrderFirstMade) {
    rename("ENG", "Inglês");
    cds.Append();
    cds.FieldByName("IDIDIOMA")->SetAsString("FRA");
    cds.Post();
    goTo("ESP");
    cds.Delete();
    rename("ENG", "Inglés"); // a second edit keeps the first original and the position
    goTo("FRA");
    cds.Edit();
    cds.FieldByName("QTUSO")->SetAsInteger(2);
    cds.Post(); // still an insert, now with the count

    EXPECT_EQ(cds.GetChangeCount(), 3);
    const QJsonObject delta = cds.GetDelta();
    EXPECT_EQ(delta.value("fields").toArray(), languageFields());
    EXPECT_EQ(delta.value("changes").toArray(),
              (QJsonArray{change("update", {"ENG", "English", 1}, {"ENG", "Inglés", 1}),
                          change("insert", {}, {"FRA", QJsonValue::Null, 2}),
                          change("delete", {"ESP", "Español", QJsonValue::Null}, {})}));
}

TEST_F(LanguageTable, DeletingAnEditedRecordSendsItsLoadedValues) {
    rename("POR", "Portuguese");
    goTo("POR");
    cds.Delete();
    EXPECT_EQ(changes(), QJsonArray{change("delete", {"POR", "Português", 3}, {})});
}

TEST_F(LanguageTable, DeletingAnInsertedRecordLeavesNothingToSend) {
    cds.Insert();
    cds.FieldByName("IDIDIOMA")->SetAsString("ITA");
    cds.Post();
    EXPECT_EQ(cds.GetChangeCount(), 1);
    cds.Delete();
    EXPECT_EQ(cds.GetChangeCount(), 0);
    EXPECT_EQ(cds.RecordCount(), 3);
}

TEST_F(LanguageTable, PostingAnUntouchedEditIsNoChange) {
    cds.Edit();
    cds.Post();
    EXPECT_EQ(cds.GetChangeCount(), 0);
}

TEST_F(LanguageTable, MergeMakesTheCurrentContentTheBaseThatCancelReturnsTo) {
    rename("ENG", "Inglês");
    cds.MergeChangeLog();
    EXPECT_EQ(cds.GetChangeCount(), 0);

    goTo("POR");
    cds.Delete();
    cds.Append();
    cds.FieldByName("IDIDIOMA")->SetAsString("ITA");
    cds.Post();
    rename("ENG", "Anglais");
    EXPECT_EQ(changes().at(2).toObject().value("original").toArray().at(1), "Inglês");

    cds.CancelUpdates();
    EXPECT_EQ(cds.GetChangeCount(), 0);
    EXPECT_EQ(codes(), (QStringList{"POR", "ENG", "ESP"}));
    goTo("ENG");
    EXPECT_EQ(Ansi::toUnicode(cds.FieldByName("DSIDIOMA")->AsString()), "Inglês");
}

TEST_F(LanguageTable, CancelUpdatesLeavesTheCursorOnARecord) {
    cds.Append();
    cds.FieldByName("IDIDIOMA")->SetAsString("ITA");
    cds.Post();
    ASSERT_EQ(cds.RecNo(), 4);
    cds.CancelUpdates();
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(code(), "ESP");
}

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

TEST_F(LanguageTable, LocateMatchesWholeValuesExactlyUnlessAskedOtherwise) {
    EXPECT_FALSE(cds.Locate("DSIDIOMA", {"english"}, 0));
    EXPECT_FALSE(cds.Locate("DSIDIOMA", {"Eng"}, 0));
    EXPECT_FALSE(cds.Locate("DSIDIOMA", {"eng"}, loPartialKey));
    EXPECT_TRUE(cds.Locate("DSIDIOMA", {"english"}, loCaseInsensitive));
    EXPECT_EQ(code(), "ENG");
    EXPECT_TRUE(cds.Locate("dsidioma", {"esp"}, loCaseInsensitive | loPartialKey));
    EXPECT_EQ(code(), "ESP");
    EXPECT_TRUE(cds.Locate("DSIDIOMA", {"Portugu"}, loPartialKey));
    EXPECT_EQ(code(), "POR");
}

TEST_F(LanguageTable, LocateFoldsTheCaseOfPlainLettersOnly) {
    // Ê and ê are different bytes the case rule does not join.
    EXPECT_FALSE(cds.Locate("DSIDIOMA", {QString("PORTUGUÊS")}, loCaseInsensitive));
    EXPECT_TRUE(cds.Locate("DSIDIOMA", {QString("PORTUGUêS")}, loCaseInsensitive));
    EXPECT_TRUE(cds.Locate("DSIDIOMA", {Ansi::fromUnicode("Español")}, 0)); // bytes as well as text
    EXPECT_EQ(code(), "ESP");
}

TEST_F(LanguageTable, LocateComparesNumbersByValueAndCombinesKeys) {
    EXPECT_TRUE(cds.Locate("QTUSO", {1.0}, 0));
    EXPECT_EQ(code(), "ENG");
    EXPECT_TRUE(cds.Locate("QTUSO", {"3"}, 0));
    EXPECT_EQ(code(), "POR");
    EXPECT_TRUE(cds.Locate("QTUSO", {QVariant()}, 0));
    EXPECT_EQ(code(), "ESP");
    EXPECT_FALSE(cds.Locate("IDIDIOMA;QTUSO", {"ENG", 3}, 0));
    EXPECT_TRUE(cds.Locate("IDIDIOMA; QTUSO", {"POR", 3}, 0));
    EXPECT_EQ(code(), "POR");
}

TEST_F(LanguageTable, AFailedLocateLeavesTheCursor) {
    cds.Last();
    EXPECT_FALSE(cds.Locate("IDIDIOMA", {"XXX"}, loCaseInsensitive | loPartialKey));
    EXPECT_FALSE(cds.Locate("QTUSO", {"junk"}, 0));
    EXPECT_FALSE(cds.Locate("DSIDIOMA", {QString("Ελληνικά")}, 0)); // cannot be in the table at all
    EXPECT_EQ(code(), "ESP");
}

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

TEST(ClientDataSetPacket, DateTimesAreLocalWithOrWithoutMillisecondsAndNothingElse) {
    const auto read = [](const QString& text) {
        TClientDataSet cds;
        cds.SetData(packet({field("DTALT", "datetime")}, {QJsonArray{text}}));
        return cds.FieldByName("DTALT")->AsDateTime();
    };
    EXPECT_EQ(read("2026-12-07T08:01:44.123"), QDateTime(QDate(2026, 12, 7), QTime(8, 1, 44, 123)));
    EXPECT_EQ(read("2026-12-07T08:01:44"), QDateTime(QDate(2026, 12, 7), QTime(8, 1, 44)));
    EXPECT_EQ(read("2024-02-29T23:59:59.999").timeSpec(), Qt::LocalTime);
    for (const char* refused :
         {"2026-12-07T24:00:00", "2026-12-07T24:00:00.000", "2026-02-30T08:00:00", "2026-12-07T08:01:60",
          "2026-12-07T08:01:44Z", "2026-12-07T08:01:44.12Z", "2026-12-07T08:01:44+01:00",
          "2026-12-07 08:01:44", "2026-12-07T08:01:44,123", "2026-12-07T08:01", "2026-12-07",
          "+2026-12-07T08:01:44.123", "２026-12-07T08:01:44"})
        EXPECT_THROW(read(QString::fromUtf8(refused)), EDatabaseError) << refused;
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

// ---- fields ----

TEST(ClientDataSetFields, StringsMustFitTheirFieldAndATooLongOneIsNotTaken) {
    TClientDataSet cds("cdsPrograma");
    TField* program = cds.AddField("CDPROGRAMA", TFieldType::String, 20);
    TField* text = cds.AddField("TXAJUDA", TFieldType::String, 4000);
    cds.CreateDataSet();
    cds.Append();
    program->SetAsString("Cli_Vdr04000");
    text->SetAsString(AnsiString(4000, 'x'));
    EXPECT_EQ(text->AsString().size(), 4000);
    EXPECT_THROW(text->SetAsString(AnsiString(4001, 'x')), EDatabaseError);
    try {
        program->SetAsString(AnsiString(25, 'y'));
        FAIL() << "a 25-character value went into a 20-character field";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(
            "Value of field CDPROGRAMA is 25 characters long; the field holds at most 20"))
            << e.what();
    }
    EXPECT_EQ(program->AsString(), "Cli_Vdr04000");
}

TEST(ClientDataSetFields, ValuesConvertBetweenKinds) {
    TClientDataSet cds;
    TField* text = cds.AddField("TEXTO", TFieldType::String, 30);
    TField* number = cds.AddField("NUMERO", TFieldType::Number);
    TField* when = cds.AddField("QUANDO", TFieldType::DateTime);
    cds.CreateDataSet();
    cds.Append();

    EXPECT_EQ(number->AsString(), "");
    EXPECT_EQ(number->AsInteger(), 0);
    EXPECT_FALSE(when->AsDateTime().isValid());

    number->SetAsInteger(0);
    EXPECT_EQ(number->AsString(), "0");
    number->SetAsFloat(-2.5);
    EXPECT_EQ(number->AsString(), "-2.5");
    EXPECT_EQ(number->AsInteger(), -3);
    number->SetAsString(" 12 ");
    EXPECT_DOUBLE_EQ(number->AsFloat(), 12);
    EXPECT_THROW(number->SetAsString("12abc"), EConvertError);

    text->SetAsInteger(42);
    EXPECT_EQ(text->AsString(), "42");
    EXPECT_EQ(text->AsInteger(), 42);
    text->SetAsFloat(0.1);
    EXPECT_EQ(text->AsString(), "0.1");
    text->SetAsString("4x");
    EXPECT_THROW(text->AsInteger(), EConvertError);
    EXPECT_THROW(text->AsFloat(), EConvertError);

    when->SetAsDateTime(QDateTime(QDate(2026, 12, 7), QTime(8, 1, 44, 5)));
    EXPECT_EQ(when->AsString(), "2026-12-07T08:01:44.005");
    EXPECT_THROW(when->SetAsString("7/12/2026"), EConvertError);
}

// ---- loading and saving packets ----

TEST(ClientDataSetPacket, PersistentFieldsAreFoundByNameWhateverTheOrder) {
    TClientDataSet cds;
    TField* id = cds.AddField("IDIDIOMA", TFieldType::String, 3);
    TField* uses = cds.AddField("QtUso", TFieldType::Number);
    cds.SetData(packet({field("qtuso", "number"), stringField("DSIDIOMA", 30), stringField("ididioma", 3)},
                       {QJsonArray{7, "Português", "POR"}}));
    EXPECT_EQ(cds.FieldCount(), 2);
    EXPECT_EQ(id->AsString(), "POR");
    EXPECT_EQ(uses->AsInteger(), 7);
    EXPECT_EQ(cds.FindField("DSIDIOMA"), nullptr);
    EXPECT_EQ(cds.Data(),
              packet({stringField("IDIDIOMA", 3), field("QtUso", "number")}, {QJsonArray{"POR", 7}}));
}

TEST(ClientDataSetPacket, WithoutPersistentFieldsThePacketGivesTheLayout) {
    TClientDataSet cds;
    cds.SetData(languages());
    EXPECT_EQ(cds.FieldCount(), 3);
    EXPECT_EQ(cds.FieldByName("dsidioma")->Size(), 30);
    EXPECT_EQ(cds.FieldByName("QTUSO")->DataType(), TFieldType::Number);
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(cds.Data(), languages());
}

TEST(ClientDataSetPacket, BadPacketsAreRefusedAndLeaveTheDataSetClosed) {
    const QJsonArray fields = {stringField("IDIDIOMA", 3), field("QTUSO", "number"),
                               field("DTALT", "datetime")};
    const QJsonArray good = {"POR", 1, "2026-12-07T08:01:44.123"};
    struct Case {
        const char* what;
        QJsonObject packet;
        const char* mentions;
    };
    const std::vector<Case> cases = {
        {"no fields", QJsonObject{{"rows", QJsonArray{}}}, "fields"},
        {"no rows", QJsonObject{{"fields", fields}}, "rows"},
        {"unknown type", packet({field("IDIDIOMA", "blob")}, {}), "IDIDIOMA"},
        {"string without size", packet({field("IDIDIOMA", "string")}, {}), "IDIDIOMA"},
        {"short row", packet(fields, {QJsonArray{"POR", 1}}), "Row 1"},
        {"row not an array", packet(fields, {good, "POR"}), "Row 2"},
        {"number as text", packet(fields, {QJsonArray{"POR", "1", QJsonValue::Null}}), "QTUSO"},
        {"text as number", packet(fields, {QJsonArray{7, 1, QJsonValue::Null}}), "IDIDIOMA"},
        {"bad date", packet(fields, {QJsonArray{"POR", 1, "07/12/2026"}}), "DTALT"},
        {"too long", packet(fields, {QJsonArray{"PORT", 1, QJsonValue::Null}}), "IDIDIOMA"},
        {"not Windows-1252", packet(fields, {QJsonArray{"Ω", 1, QJsonValue::Null}}), "IDIDIOMA"},
    };
    for (const Case& c : cases) {
        TClientDataSet cds("cdsTeste");
        cds.SetData(packet(fields, {good}));
        try {
            cds.SetData(c.packet);
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.message().startsWith("Data set cdsTeste: ")) << e.what();
            EXPECT_TRUE(e.message().contains(c.mentions)) << c.what << ": " << e.what();
        }
        EXPECT_FALSE(cds.Active()) << c.what;
    }
}

TEST(ClientDataSetPacket, PersistentFieldsMustBeInThePacketWithTheirKind) {
    TClientDataSet cds("cdsIdioma");
    cds.AddField("IDIDIOMA", TFieldType::String, 3);
    cds.AddField("QTUSO", TFieldType::Number);
    const auto refuses = [&](const QJsonObject& p, const char* mentions) {
        try {
            cds.SetData(p);
            ADD_FAILURE() << "accepted a packet without " << mentions;
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.message().contains(mentions)) << e.what();
        }
        EXPECT_FALSE(cds.Active());
    };
    refuses(packet({stringField("IDIDIOMA", 3)}, {}), "QTUSO");
    refuses(packet({stringField("IDIDIOMA", 3), stringField("QTUSO", 5)}, {}), "QTUSO");
    // The packet's own size may be larger; what counts is that each value fits.
    refuses(packet({stringField("IDIDIOMA", 10), field("QTUSO", "number")}, {QJsonArray{"PORTUGUES", 1}}),
            "IDIDIOMA");
    cds.SetData(packet({stringField("IDIDIOMA", 10), field("QTUSO", "number")}, {QJsonArray{"POR", 1}}));
    EXPECT_TRUE(cds.Active());
}

TEST(ClientDataSetPacket, DateTimesAndWindows1252TextSurviveTheRoundTrip) {
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
