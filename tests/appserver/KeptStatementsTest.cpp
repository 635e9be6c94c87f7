#include "tests/appserver/StorageFixture.h"

// The storage keeps its statements prepared for the life of its connection: what that must not
// change.

namespace {

int foundCount(Storage& storage, const TranslationRow& row) {
    return int(storage.findTranslations(TranslationKey::ofRow(row)).size());
}

QStringList languageCodes(const Storage& storage) {
    QStringList codes;
    for (const LanguageEntry& entry : storage.languages())
        codes.append(entry.code);
    return codes;
}

} // namespace

class KeptStatementsTest : public StorageFixture {
protected:
    void store(Storage& into, const TranslationRow& row) {
        Storage::Transaction transaction(into);
        into.insertTranslation(row);
        transaction.commit();
    }
};
INSTANTIATE_FOR_EACH_STORAGE(KeptStatementsTest);

TEST_P(KeptStatementsTest, StatementsRunAgainAfterATransactionFailedInTheDatabase) {
    const TranslationRow nome = clientCaption("LBLNOME", "Nome");
    const TranslationRow rolledBack = clientCaption("LBLCIDADE", "Cidade");
    const TranslationRow later = clientCaption("LBLUF", "UF");
    store(*storage, nome);
    EXPECT_EQ(foundCount(*storage, nome), 1);
    {
        Storage::Transaction transaction(*storage);
        EXPECT_EQ(storage->insertTranslation(rolledBack), Storage::InsertOutcome::Inserted);
        // The language list refuses it (foreign key): in PostgreSQL the whole transaction is then
        // aborted, with the look-up and the insert prepared inside it.
        EXPECT_THROW(storage->insertTranslation(clientCaption("LBLX", "X", "ZZZ")), StorageError);
    }
    EXPECT_EQ(foundCount(*storage, nome), 1);
    EXPECT_EQ(foundCount(*storage, rolledBack), 0);
    store(*storage, later);
    EXPECT_EQ(foundCount(*storage, later), 1);
    EXPECT_EQ(database->translationCount(), 2);
}

TEST_P(KeptStatementsTest, AnInsertAfterRefusedOnesStoresItsOwnValues) {
    // Refused by the database (no such language), and, in PostgreSQL, before it would get the
    // value; either may leave values of its own bound to the kept insert.
    QList<TranslationRow> refused{clientCaption("LBLX", "X", "ZZZ")};
    if (GetParam() == StorageKind::Postgresql)
        refused.append(clientCaption("LBLY", QStringLiteral("Y") + QChar(0) + QStringLiteral("Z")));
    for (const TranslationRow& row : refused) {
        Storage::Transaction transaction(*storage);
        EXPECT_THROW(storage->insertTranslation(row), StorageError);
    }
    TranslationRow kept = clientCaption("LBLNOME", "Nome");
    kept.number = 2.5;
    kept.state = "S";
    kept.value2 = "Name";
    kept.updated = QStringLiteral("2026-12-07T08:01:44.123");
    store(*storage, kept);

    const QList<TranslationRow> found = storage->findTranslations(TranslationKey::ofRow(kept));
    ASSERT_EQ(found.size(), 1);
    expectSameRow(found.at(0), kept);
    EXPECT_EQ(database->translationCount(), 1);
}

TEST_P(KeptStatementsTest, AReadOfOneRequestDoesNotHoldBackTheNext) {
    // A second storage on the same database, as a second server process would have. A statement
    // left open by a request would keep SQLite's read open: the first storage would go on seeing
    // the database as it was then, and could not write after the other one has.
    Storage other(database->location());
    ASSERT_TRUE(storage->hasLanguage("POR")); // reads one row and stops
    ASSERT_EQ(foundCount(*storage, clientCaption("LBLNOME", "Nome")), 0);

    other.addLanguage({"ITA", "Italiano", "ITA"});
    store(other, clientCaption("LBLNOME", "Nome"));

    EXPECT_TRUE(languageCodes(*storage).contains("ITA"));
    EXPECT_EQ(foundCount(*storage, clientCaption("LBLNOME", "Nome")), 1);
    EXPECT_NO_THROW(storage->addLanguage({"DEU", "Deutsch", "DEU"}));
    EXPECT_EQ(languageCodes(other), (QStringList{"POR", "ENG", "SPA", "ITA", "DEU"}));
}

TEST_P(KeptStatementsTest, TwoStoragesInOneProcessRunOnTheirOwnDatabases) {
    TestDatabase secondDatabase(GetParam());
    Storage second(secondDatabase.location());
    const TranslationRow onlyFirst = clientCaption("LBLNOME", "Nome");
    const TranslationRow onlySecond = clientCaption("LBLCIDADE", "Cidade");
    // Interleaved, so that each statement is already prepared on the other connection.
    store(*storage, onlyFirst);
    store(second, onlySecond);
    storage->addLanguage({"ITA", "Italiano", "ITA"});

    EXPECT_EQ(foundCount(*storage, onlyFirst), 1);
    EXPECT_EQ(foundCount(second, onlyFirst), 0);
    EXPECT_EQ(foundCount(*storage, onlySecond), 0);
    EXPECT_EQ(foundCount(second, onlySecond), 1);
    EXPECT_TRUE(storage->hasLanguage("ITA"));
    EXPECT_FALSE(second.hasLanguage("ITA"));
    EXPECT_EQ(languageCodes(second), (QStringList{"POR", "ENG", "SPA"}));
    EXPECT_EQ(database->translationCount(), 1);
    EXPECT_EQ(secondDatabase.translationCount(), 1);
}

TEST_P(KeptStatementsTest, AStorageOpenedAgainPreparesAfresh) {
    const TranslationRow nome = clientCaption("LBLNOME", "Nome");
    store(*storage, nome);
    EXPECT_EQ(foundCount(*storage, nome), 1);
    storage.reset();
    storage = std::make_unique<Storage>(database->location());
    EXPECT_EQ(foundCount(*storage, nome), 1);
    store(*storage, clientCaption("LBLCIDADE", "Cidade"));
    EXPECT_EQ(database->translationCount(), 2);
}
