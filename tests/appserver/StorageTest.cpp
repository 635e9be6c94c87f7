#include "Storage.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The storage class in-process: what the server relies on from the database itself.

namespace {

TranslationRow captionRow(const QString& component, const QString& value) {
    TranslationRow row;
    row.program = "CLIENTE";
    row.form = "FRMCLIENTE";
    row.component = component;
    row.property = "CAPTION";
    row.value = value;
    row.language = "POR";
    return row;
}

} // namespace

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        DatabaseLocation location;
        location.sqlitePath = QDir(dir.path()).filePath("storage.sqlite");
        storage = std::make_unique<Storage>(location);
    }

    QTemporaryDir dir;
    std::unique_ptr<Storage> storage;
};

TEST_F(StorageTest, TheLookUpUsesTheUniqueIndexAtAnySize) {
    {
        Storage::Transaction transaction(*storage);
        for (int i = 0; i < 2000; ++i)
            storage->insertTranslation(
                captionRow(QStringLiteral("LBL%1").arg(i), QString(4000, QChar(u'a' + i % 26))));
        transaction.commit();
    }
    const QString plan = storage->lookupPlan();
    EXPECT_TRUE(plan.contains("USING INDEX translations_matchkey") ||
                plan.contains("USING COVERING INDEX translations_matchkey"))
        << plan.toStdString();
    EXPECT_FALSE(plan.contains("SCAN")) << plan.toStdString();
    EXPECT_EQ(storage
                  ->findTranslations(
                      TranslationKey::ofRow(captionRow("LBL1999", QString(4000, QChar(u'a' + 1999 % 26)))))
                  .size(),
              1);
}

TEST_F(StorageTest, ARowAlreadyStoredIsReportedNotDuplicated) {
    Storage::Transaction transaction(*storage);
    EXPECT_EQ(storage->insertTranslation(captionRow("LBLNOME", "Nome")), Storage::InsertOutcome::Inserted);
    EXPECT_EQ(storage->insertTranslation(captionRow("lblnome", "Nome ")),
              Storage::InsertOutcome::AlreadyStored);
    transaction.commit();
    int rows = 0;
    storage->forEachTranslation([&rows](const TranslationRow&) { ++rows; });
    EXPECT_EQ(rows, 1);
}

TEST_F(StorageTest, AnUncommittedTransactionLeavesNothing) {
    {
        Storage::Transaction transaction(*storage);
        storage->insertTranslation(captionRow("LBLNOME", "Nome"));
        storage->setVersionStamp(QDateTime::currentDateTime());
    }
    EXPECT_TRUE(storage->findTranslations(TranslationKey::ofRow(captionRow("LBLNOME", "Nome"))).isEmpty());
    EXPECT_FALSE(storage->versionStamp().has_value());
}

TEST_F(StorageTest, TheLanguageListKeepsTheOrderOfAdding) {
    storage->addLanguage({"ITA", "Italiano", "ITA"});
    storage->addLanguage({"DEU", "Deutsch", "DEU"});
    QStringList codes;
    for (const LanguageEntry& entry : storage->languages())
        codes.append(entry.code);
    EXPECT_EQ(codes, (QStringList{"POR", "ENG", "SPA", "ITA", "DEU"}));
    EXPECT_THROW(storage->addLanguage({"ITA", "Again", "ITA"}), StorageError);
}

TEST_F(StorageTest, ReopeningKeepsTheDataAndTheSchema) {
    {
        Storage::Transaction transaction(*storage);
        storage->insertTranslation(captionRow("LBLNOME", "Nome"));
        transaction.commit();
    }
    storage.reset();
    DatabaseLocation location;
    location.sqlitePath = QDir(dir.path()).filePath("storage.sqlite");
    Storage reopened(location);
    EXPECT_EQ(reopened.schemaVersion(), 2);
    EXPECT_EQ(reopened.findTranslations(TranslationKey::ofRow(captionRow("LBLNOME", "Nome"))).size(), 1);
    EXPECT_EQ(reopened.languages().size(), 3) << "seeds are added once";
}
