#pragma once

#include "tests/support/database/TestDatabase.h"

#include <memory>

class DatabaseConnection;

// Counts the translation rows of a database while its server runs, dies or loses the database.
class RowCounter {
public:
    explicit RowCounter(const TestDatabase& database);
    ~RowCounter();
    RowCounter(const RowCounter&) = delete;
    RowCounter& operator=(const RowCounter&) = delete;

    // -1 while the database cannot be read.
    int count();

private:
    const TestDatabase& database_;
    // PostgreSQL only: one session for all the reads, since a new one costs more than the read.
    std::unique_ptr<DatabaseConnection> session_;
};
