#pragma once

#include "appserver/storage/DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

// The storages the server tests run on.
enum class StorageKind { Sqlite, Postgresql };

// "Sqlite" or "Postgresql": the suffix of each test's name.
std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info);
// The same in GoogleTest's messages.
void PrintTo(StorageKind kind, std::ostream* os);

// Names the PostgreSQL server where test databases are created (scripts/postgres.sh starts one
// and prints its URL). The URL's user needs CREATEDB.
inline constexpr const char* kPostgresServerVariable = "VDR_TEST_POSTGRES_URL";

// A new, empty database of one kind for one test. A PostgreSQL one is created on the server that
// the environment variable serverVariable names, under a name of its own, and dropped again at
// the end; a SQLite one is a file in a temporary directory.
class TestDatabase {
public:
    // Empty when databases of this kind can be had here, else why not.
    static QString unavailableReason(StorageKind kind, const char* serverVariable = kPostgresServerVariable);

    // encoding: of a PostgreSQL database; the storage accepts only UTF8. Throws StorageError when
    // the database cannot be created.
    explicit TestDatabase(StorageKind kind, const QString& encoding = QStringLiteral("UTF8"),
                          const char* serverVariable = kPostgresServerVariable);
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
    const char* serverVariable_;
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

// A test run once per storage kind that sets up its storage itself.
class EachStorageTest : public ::testing::TestWithParam<StorageKind> {
protected:
    void SetUp() override { SKIP_UNLESS_AVAILABLE(GetParam()); }
};

// A test per storage kind with a new database of that kind.
class StorageKindTest : public EachStorageTest {
protected:
    void SetUp() override {
        EachStorageTest::SetUp();
        if (IsSkipped())
            return;
        database = std::make_unique<TestDatabase>(GetParam());
    }

    std::unique_ptr<TestDatabase> database;
};
