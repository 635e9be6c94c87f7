#pragma once

#include "Storage.h"
#include "TestDatabase.h"

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
