#include "tests/toolkit/LanguageTable.h"

#include <functional>

namespace {

QJsonObject change(const QString& op, const QJsonArray& original, const QJsonArray& values) {
    QJsonObject entry{{"op", op}};
    if (!original.isEmpty())
        entry.insert("original", original);
    if (!values.isEmpty())
        entry.insert("values", values);
    return entry;
}

struct DeltaCase {
    std::string name;
    std::function<void(LanguageTable&)> steps;
    QJsonArray changes;
    friend void PrintTo(const DeltaCase& c, std::ostream* os) { *os << c.name; }
};

class ChangeLogDelta : public LanguageTable, public ::testing::WithParamInterface<DeltaCase> {};

TEST_P(ChangeLogDelta, HoldsOneChangePerRecordInTheOrderFirstMade) {
    GetParam().steps(*this);
    const QJsonObject delta = cds.GetDelta();
    EXPECT_EQ(delta.value("fields").toArray(), languageFields());
    EXPECT_EQ(delta.value("changes").toArray(), GetParam().changes);
    EXPECT_EQ(cds.GetChangeCount(), GetParam().changes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ChangeLogDelta,
    ::testing::Values(DeltaCase{"EditInsertDelete",
                                [](LanguageTable& table) {
                                    table.rename("ENG", "Inglês");
                                    table.append("FRA");
                                    table.goTo("ESP");
                                    table.cds.Delete();
                                    table.rename("ENG",
                                                 "Inglés"); // keeps the first original and the position
                                    table.goTo("FRA");
                                    table.cds.Edit();
                                    table.cds.FieldByName("QTUSO")->SetAsInteger(2);
                                    table.cds.Post(); // still an insert, now with the count
                                },
                                {change("update", {"ENG", "English", 1}, {"ENG", "Inglés", 1}),
                                 change("insert", {}, {"FRA", QJsonValue::Null, 2}),
                                 change("delete", {"ESP", "Español", QJsonValue::Null}, {})}},
                      DeltaCase{"DeletedEditSendsTheLoadedValues",
                                [](LanguageTable& table) {
                                    table.rename("POR", "Portuguese");
                                    table.cds.Delete();
                                },
                                {change("delete", {"POR", "Português", 3}, {})}},
                      DeltaCase{"DeletedInsertIsNothing",
                                [](LanguageTable& table) {
                                    table.append("ITA");
                                    table.cds.Delete();
                                    EXPECT_EQ(table.cds.RecordCount(), 3);
                                },
                                {}},
                      DeltaCase{"UntouchedEditIsNothing",
                                [](LanguageTable& table) {
                                    table.cds.Edit();
                                    table.cds.Post();
                                },
                                {}},
                      DeltaCase{"MergedValuesAreTheOriginal",
                                [](LanguageTable& table) {
                                    table.rename("ENG", "Inglês");
                                    table.cds.MergeChangeLog();
                                    table.rename("ENG", "Anglais");
                                },
                                {change("update", {"ENG", "Inglês", 1}, {"ENG", "Anglais", 1})}}),
    CaseName());

TEST_F(LanguageTable, CancelUpdatesReturnsToTheLastMerge) {
    rename("ENG", "Inglês");
    cds.MergeChangeLog();
    goTo("POR");
    cds.Delete();
    append("ITA");
    rename("ENG", "Anglais");

    cds.CancelUpdates();
    EXPECT_EQ(cds.GetChangeCount(), 0);
    EXPECT_EQ(codes(), (QStringList{"POR", "ENG", "ESP"}));
    goTo("ENG");
    EXPECT_EQ(Ansi::toUnicode(cds.FieldByName("DSIDIOMA")->AsString()), "Inglês");
}

TEST_F(LanguageTable, CancelUpdatesLeavesTheCursorOnARecord) {
    append("ITA");
    ASSERT_EQ(cds.RecNo(), 4);
    cds.CancelUpdates();
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(code(), "ESP");
}

} // namespace
