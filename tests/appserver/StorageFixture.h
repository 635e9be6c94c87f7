#pragma once

#include "appserver/storage/Storage.h"
#include "tests/support/database/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

// A caption row of the client form as the capture stores it.
inline TranslationRow clientCaption(const QString& component, const QString& value,
                                    const QString& language = QStringLiteral("POR")) {
    TranslationRow row;
    row.program = QStringLiteral("CLIENTE");
    row.form = QStringLiteral("FRMCLIENTE");
    row.component = component;
    row.property = QStringLiteral("CAPTION");
    row.value = value;
    row.language = language;
    return row;
}

// Every field of a row read back equals the one stored.
inline void expectSameRow(const TranslationRow& found, const TranslationRow& stored) {
    EXPECT_EQ(found.program, stored.program);
    EXPECT_EQ(found.form, stored.form);
    EXPECT_EQ(found.component, stored.component);
    EXPECT_EQ(found.property, stored.property);
    EXPECT_EQ(found.number, stored.number);
    EXPECT_EQ(found.state, stored.state);
    EXPECT_EQ(found.value, stored.value);
    EXPECT_EQ(found.value2, stored.value2);
    EXPECT_EQ(found.updated, stored.updated);
    EXPECT_EQ(found.language, stored.language);
}

// The storage class in-process on a fresh database of the test's storage kind. Suites built on it
// are instantiated with INSTANTIATE_FOR_EACH_STORAGE.
class StorageFixture : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        storage = std::make_unique<Storage>(database->location());
    }

    std::unique_ptr<Storage> storage;
};
