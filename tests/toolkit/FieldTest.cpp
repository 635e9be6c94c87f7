#include "tests/toolkit/LanguageTable.h"

#include "toolkit/Exceptions.h"

#include <functional>
#include <optional>

namespace {

// A record being appended to a data set with a field of each kind.
class FieldValues : public ::testing::Test {
protected:
    void SetUp() override {
        cds.AddField("TEXTO", TFieldType::String, 30);
        cds.AddField("NUMERO", TFieldType::Number);
        cds.AddField("QUANDO", TFieldType::DateTime);
        cds.CreateDataSet();
        cds.Append();
    }
    TClientDataSet cds;
};

struct Conversion {
    std::string name;
    const char* field;
    std::function<void(TField&)> set; // none: the field stays null
    AnsiString asString;
    std::optional<double> asFloat; // none: AsFloat refuses with EConvertError
    std::optional<int> asInteger;  // likewise
    friend void PrintTo(const Conversion& c, std::ostream* os) { *os << c.name; }
};

class FieldConversion : public FieldValues, public ::testing::WithParamInterface<Conversion> {};

TEST_P(FieldConversion, ReadsBackAsStringAndNumber) {
    TField& field = *cds.FieldByName(GetParam().field);
    if (GetParam().set)
        GetParam().set(field);
    EXPECT_EQ(field.AsString(), GetParam().asString);
    if (GetParam().asFloat)
        EXPECT_DOUBLE_EQ(field.AsFloat(), *GetParam().asFloat);
    else
        EXPECT_THROW(field.AsFloat(), EConvertError);
    if (GetParam().asInteger)
        EXPECT_EQ(field.AsInteger(), *GetParam().asInteger);
    else
        EXPECT_THROW(field.AsInteger(), EConvertError);
}

const QDateTime kMoment(QDate(2026, 12, 7), QTime(8, 1, 44, 5));

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldConversion,
    ::testing::Values(
        Conversion{"NullNumber", "NUMERO", {}, "", 0, 0},
        Conversion{"Zero", "NUMERO", [](TField& f) { f.SetAsInteger(0); }, "0", 0, 0},
        Conversion{"NegativeFraction", "NUMERO", [](TField& f) { f.SetAsFloat(-2.5); }, "-2.5", -2.5, -3},
        Conversion{"NumberFromPaddedText", "NUMERO", [](TField& f) { f.SetAsString(" 12 "); }, "12", 12, 12},
        Conversion{"TextFromInteger", "TEXTO", [](TField& f) { f.SetAsInteger(42); }, "42", 42, 42},
        Conversion{"TextFromFraction", "TEXTO", [](TField& f) { f.SetAsFloat(0.1); }, "0.1", 0.1,
                   std::nullopt},
        Conversion{"TextNotANumber", "TEXTO", [](TField& f) { f.SetAsString("4x"); }, "4x", std::nullopt,
                   std::nullopt},
        Conversion{"TextAsLongAsTheField", "TEXTO", [](TField& f) { f.SetAsString(AnsiString(30, 'x')); },
                   AnsiString(30, 'x'), std::nullopt, std::nullopt},
        Conversion{"NullDateTime", "QUANDO", {}, "", 0, 0},
        Conversion{"DateTime", "QUANDO", [](TField& f) { f.SetAsDateTime(kMoment); },
                   "2026-12-07T08:01:44.005", std::nullopt, std::nullopt},
        Conversion{"DateTimeFromText", "QUANDO", [](TField& f) { f.SetAsString("2026-12-07T08:01:44.005"); },
                   "2026-12-07T08:01:44.005", std::nullopt, std::nullopt}),
    CaseName());

struct Refusal {
    std::string name;
    const char* field;
    std::function<void(TField&)> set;
    bool convertError; // EConvertError, else EDatabaseError
    const char* mentions;
    friend void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }
};

class FieldRefusal : public FieldValues, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FieldRefusal, NamesTheFieldAndTakesNothing) {
    TField& field = *cds.FieldByName(GetParam().field);
    try {
        GetParam().set(field);
        FAIL() << "the value was taken";
    } catch (const Exception& e) {
        EXPECT_EQ(dynamic_cast<const EConvertError*>(&e) != nullptr, GetParam().convertError) << e.what();
        EXPECT_TRUE(e.message().contains(GetParam().mentions)) << e.what();
    }
    EXPECT_TRUE(field.IsNull());
}

INSTANTIATE_TEST_SUITE_P(
    Values, FieldRefusal,
    ::testing::Values(
        Refusal{"TextTooLong", "TEXTO", [](TField& f) { f.SetAsString(AnsiString(31, 'x')); }, false,
                "Value of field TEXTO is 31 characters long; the field holds at most 30"},
        Refusal{"NumberWithJunk", "NUMERO", [](TField& f) { f.SetAsString("12abc"); }, true, "NUMERO"},
        Refusal{"InfiniteNumber", "NUMERO", [](TField& f) { f.SetAsFloat(HUGE_VAL); }, true, "NUMERO"},
        Refusal{"DateTimeNotIso", "QUANDO", [](TField& f) { f.SetAsString("7/12/2026"); }, true, "QUANDO"},
        Refusal{"DateTimeFromNumber", "QUANDO", [](TField& f) { f.SetAsInteger(1); }, true, "QUANDO"}),
    CaseName());

} // namespace
