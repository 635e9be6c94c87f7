#include "tests/appserver/StorageFixture.h"

// The storage class in-process: what the server relies on from the database itself.

using StorageTest = StorageFixture;
INSTANTIATE_FOR_EACH_STORAGE(StorageTest);

TEST_P(StorageTest, TheLookUpsUseTheirIndexesAtAnySize) {
    {
        Storage::Transaction transaction(*storage);
        for (int i = 0; i < 2000; ++i) {
            TranslationRow row =
                clientCaption(QStringLiteral("LBL%1").arg(i), QString(4000, QChar(u'a' + i % 26)));
            row.program = QStringLiteral("CLIENTE%1").arg(i % 100); // no program is most of the table
            storage->insertTranslation(row);
        }
        transaction.commit();
    }
    const struct {
        Storage::Lookup lookup;
        QString index, postgresqlCondition;
    } lookups[] = {
        {Storage::Lookup::Translation, "translations_matchkey", "(matchkey = $1)"},
        {Storage::Lookup::ProgramRows, "translations_programkey", "((programkey = $1) AND (id > $2))"},
        {Storage::Lookup::ReadAhead, "translations_matchkey", "(matchkey = $2)"}};
    for (const auto& [lookup, index, condition] : lookups) {
        const QString plan = storage->lookupPlan(lookup);
        SCOPED_TRACE(plan.toStdString());
        if (GetParam() == StorageKind::Sqlite) {
            EXPECT_TRUE(plan.contains("USING INDEX " + index) ||
                        plan.contains("USING COVERING INDEX " + index));
            EXPECT_FALSE(plan.contains("SCAN") || plan.contains("TEMP B-TREE")); // nor sorted apart
        } else {
            EXPECT_TRUE(plan.contains("Index Scan using " + index));
            EXPECT_TRUE(plan.contains("Index Cond: " + condition));
            EXPECT_FALSE(plan.contains("Seq Scan") || plan.contains("Sort"));
        }
    }
    TranslationRow last = clientCaption("LBL1999", QString(4000, QChar(u'a' + 1999 % 26)));
    last.program = "CLIENTE99";
    EXPECT_EQ(storage->findTranslations(TranslationKey::ofRow(last)).size(), 1);
    int taken = 0;
    EXPECT_FALSE(storage->forEachProgramRow("cliente99", "por", 0, 100,
                                            [&taken](const TranslationRow&) { return ++taken > 0; }));
    EXPECT_EQ(taken, 20);
}

TEST_P(StorageTest, ARowAlreadyStoredIsReportedNotDuplicated) {
    Storage::Transaction transaction(*storage);
    EXPECT_EQ(storage->insertTranslation(clientCaption("LBLNOME", "Nome")), Storage::InsertOutcome::Inserted);
    EXPECT_EQ(storage->insertTranslation(clientCaption("lblnome", "Nome ")),
              Storage::InsertOutcome::AlreadyStored);
    transaction.commit();
    int rows = 0;
    storage->forEachTranslation([&rows](const TranslationRow&) { ++rows; });
    EXPECT_EQ(rows, 1);
}

TEST_P(StorageTest, AnUncommittedTransactionLeavesNothing) {
    {
        Storage::Transaction transaction(*storage);
        storage->insertTranslation(clientCaption("LBLNOME", "Nome"));
        storage->setVersionStamp(QDateTime::currentDateTime());
    }
    EXPECT_TRUE(storage->findTranslations(TranslationKey::ofRow(clientCaption("LBLNOME", "Nome"))).isEmpty());
    EXPECT_FALSE(storage->versionStamp().has_value());
}

TEST_P(StorageTest, EveryFieldComesBackAsStored) {
    TranslationRow row = clientCaption("LBLNOME", "Nome d'água \\ \"x\"");
    row.number = 0.1 + 0.2; // not short in decimal: a narrower column would round it
    row.state = "S";
    row.value2 = "Ação";
    row.updated = QStringLiteral("2026-12-07T23:59:59.007");
    {
        Storage::Transaction transaction(*storage);
        storage->insertTranslation(row);
        transaction.commit();
    }
    const QList<TranslationRow> found = storage->findTranslations(TranslationKey::ofRow(row));
    ASSERT_EQ(found.size(), 1);
    expectSameRow(found.at(0), row);
}

TEST_P(StorageTest, TheLanguageListKeepsTheOrderOfAdding) {
    storage->addLanguage({"ITA", "Italiano", "ITA"});
    storage->addLanguage({"DEU", "Deutsch", "DEU"});
    QStringList codes;
    for (const LanguageEntry& entry : storage->languages())
        codes.append(entry.code);
    EXPECT_EQ(codes, (QStringList{"POR", "ENG", "SPA", "ITA", "DEU"}));
    EXPECT_THROW(storage->addLanguage({"ITA", "Again", "ITA"}), StorageError);
}

TEST_P(StorageTest, ReopeningKeepsTheDataAndTheSchema) {
    {
        Storage::Transaction transaction(*storage);
        storage->insertTranslation(clientCaption("LBLNOME", "Nome"));
        transaction.commit();
    }
    storage.reset();
    Storage reopened(database->location());
    EXPECT_EQ(reopened.schemaVersion(), 4);
    EXPECT_EQ(reopened.findTranslations(TranslationKey::ofRow(clientCaption("LBLNOME", "Nome"))).size(), 1);
    EXPECT_EQ(reopened.languages().size(), 3) << "seeds are added once";
}
