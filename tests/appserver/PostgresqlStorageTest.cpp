#include "tests/support/database/TestDatabase.h"

#include "appserver/storage/Storage.h"

#include <gtest/gtest.h>

// What only the PostgreSQL storage has to take care of.

namespace {

TranslationRow captionRow(const QString& value) {
    TranslationRow row;
    row.program = "CLIENTE";
    row.form = "FRMCLIENTE";
    row.component = "LBLNOME";
    row.property = "CAPTION";
    row.value = value;
    row.language = "POR";
    return row;
}

} // namespace

class PostgresqlStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(StorageKind::Postgresql);
        database = std::make_unique<TestDatabase>(StorageKind::Postgresql);
        storage = std::make_unique<Storage>(database->location());
    }

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<Storage> storage;
};

TEST_F(PostgresqlStorageTest, TextHoldingANulCharacterIsRefusedNotCutShort) {
    // The driver would store "Nome" and keep the digest of the whole value.
    const TranslationRow row = captionRow(QStringLiteral("Nome") + QChar(0) + QStringLiteral("oculto"));
    {
        Storage::Transaction transaction(*storage);
        try {
            storage->insertTranslation(row);
            ADD_FAILURE() << "the insert went through";
        } catch (const StorageError& error) {
            EXPECT_TRUE(error.message().contains("U+0000")) << error.what();
        }
    }
    EXPECT_EQ(database->translationCount(), 0);
    EXPECT_THROW(storage->addLanguage({"NUL", QStringLiteral("a") + QChar(0), "NUL"}), StorageError);
    EXPECT_EQ(storage->languages().size(), 3);
}

TEST_F(PostgresqlStorageTest, TheTablesHaveTheColumnTypesOfTheSchema) {
    // A REAL column would hold NRVALORPROP in 4 bytes; a time stamp type would shift date-times by
    // the session's time zone.
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM information_schema.columns WHERE"
                                    " table_name = 'translations' AND column_name = 'nrvalorprop'"
                                    " AND data_type = 'double precision'"),
              1);
    EXPECT_EQ(
        database->queryNumber("SELECT COUNT(*) FROM information_schema.columns WHERE"
                              " column_name IN ('dtultatutrad', 'dtgerarqtrad') AND data_type = 'text'"),
        2);
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM pg_indexes WHERE tablename = 'translations'"
                                    " AND indexname = 'translations_matchkey'"
                                    " AND indexdef LIKE 'CREATE UNIQUE INDEX%(matchkey)'"),
              1);
}

TEST_F(PostgresqlStorageTest, WritersOfOtherRowsGoSideBySideAndTheSameRowIsStoredOnce) {
    // A second storage on the same database, as another server process would have.
    Storage other(database->location());
    Storage::Transaction first(*storage);
    storage->insertTranslation(captionRow("Nome"));
    // Not behind the first one: a writer that waited would give up with an error after a while.
    Storage::Transaction second(other);
    EXPECT_EQ(other.insertTranslation(captionRow("Idade")), Storage::InsertOutcome::Inserted);
    second.commit();
    first.commit();
    Storage::Transaction third(other);
    EXPECT_EQ(other.insertTranslation(captionRow("Nome")), Storage::InsertOutcome::AlreadyStored);
    third.commit();
    EXPECT_EQ(database->translationCount(), 2);
}
