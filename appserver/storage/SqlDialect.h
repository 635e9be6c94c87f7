#pragma once

#include "appserver/storage/DatabaseLocation.h"

#include <QSqlDatabase>
#include <QString>

// What the two storages spell differently. The rest of the SQL is written once, in what SQLite
// and PostgreSQL share; a connection's dialect follows from its Qt SQL driver.
struct SqlDialect {
    DatabaseLocation::Kind kind;
    QString driverName;
    // A key the database numbers itself.
    QString generatedKeyColumn;
    // As wide as a C++ double: PostgreSQL's REAL has only 4 bytes.
    QString doubleColumn;
    // Opens a transaction that will write. SQLite's BEGIN IMMEDIATE takes the file's write lock, so
    // its writers always take turns. In PostgreSQL writers of rows run side by side: a row already
    // stored is recognised by the unique index on MATCHKEY, and each row is locked only while it is
    // written. Changes to the schema and the language list take turns as well, behind writeLock, an
    // advisory lock of this program taken right after BEGIN.
    QString beginWrite;
    QString writeLock; // empty when beginWrite already serialises
    // Whether rows inserted by a group's parts wait in memory and go out several to a statement
    // (see Storage::deferInserts), and look-ups on their way are read several to a statement (see
    // Storage::readAhead): worth it where every statement costs a round trip.
    bool batchesStatements = false;
    static const SqlDialect& of(DatabaseLocation::Kind kind);
    static const SqlDialect& of(const QSqlDatabase& db);
};
