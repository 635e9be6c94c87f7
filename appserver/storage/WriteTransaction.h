#pragma once

#include <QSqlDatabase>

class PreparedStatements;

// A transaction that will write: begun by the constructor, waiting for the one writing now (see
// SqlDialect), and rolled back by the destructor unless committed. Throws StorageError.
class WriteTransaction {
public:
    // With kept, the connection's statements, PostgreSQL's lock is taken by a statement kept
    // prepared there, sparing each transaction the round trips to prepare and deallocate one.
    explicit WriteTransaction(const QSqlDatabase& db, PreparedStatements* kept = nullptr);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    const QSqlDatabase& db_;
    bool open_ = true;
};
