#pragma once

#include "DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// The storages the server tests run on.
enum class StorageKind { Sqlite, Postgresql };

// "Sqlite" or "Postgresql": the suffix of each test's name.
std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info);

// A new, empty database of one kind for one test. A PostgreSQL one is created on the server that
// the environment variable VDR_TEST_POSTGRES_URL names (scripts/postgres.sh starts one and prints
// its URL), under a name of its own, and dropped again at the end; that URL's user needs CREATEDB.
class TestDatabase {
public:
    // Empty when databases of this kind can be had here, else why not.
    static QString unavailableReason(StorageKind kind);

    // encoding: of a PostgreSQL database; the storage accepts only UTF8.
    explicit TestDatabase(StorageKind kind, const QString& encoding = QStringLiteral("UTF8"));
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    StorageKind kind() const { return kind_; }
    const DatabaseLocation& location() const { return location_; }
    // For --database.
    QString url() const;

    // Runs fn on a connection of the test's own, as the server would open it.
    void withConnection(const std::function<void(const QSqlDatabase&)>& fn) const;
    // A single number the query yields, or -1 when it fails.
    qint64 queryNumber(const QString& sql) const;
    qint64 translationCount() const {
        return queryNumber(QStringLiteral("SELECT COUNT(*) FROM translations"));
    }

private:
    StorageKind kind_;
    QTemporaryDir directory_;
    DatabaseLocation location_;
};

// Runs a test suite of TEST_P cases once per storage kind.
#define INSTANTIATE_FOR_EACH_STORAGE(suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(StorageKind::Sqlite, StorageKind::Postgresql),       \
                             storageKindName)

// In SetUp or a test body: skips the test, saying why, when the storage kind cannot be had here.
#define SKIP_UNLESS_AVAILABLE(kind)                                                                          \
    if (const QString why = TestDatabase::unavailableReason(kind); !why.isEmpty())                           \
    GTEST_SKIP() << why.toStdString()

// A test per storage kind with a new database of that kind.
class StorageKindTest : public ::testing::TestWithParam<StorageKind> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(GetParam());
        database = std::make_unique<TestDatabase>(GetParam());
    }

    std::unique_ptr<TestDatabase> database;
};
