#pragma once

#include <QSqlDatabase>

class PreparedStatements;

// A transaction that will write: begun by the constructor and rolled back by the destructor unless
// committed. Throws StorageError.
class WriteTransaction {
public:
    // Who waits for whom (see SqlDialect): a transaction that writes rows of the translation table
    // waits only for those writing the same rows; one that changes the schema or the language list
    // waits for every other that does.
    enum class Turns { RowsOnly, EveryWriter };

    // With kept, the connection's statements, PostgreSQL's lock is taken by a statement kept
    // prepared there, sparing each transaction the round trips to prepare and deallocate one.
    explicit WriteTransaction(const QSqlDatabase& db, Turns turns, PreparedStatements* kept = nullptr);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    const QSqlDatabase& db_;
    bool open_ = true;
};
