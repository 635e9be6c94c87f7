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
    // Opens a transaction that will write. Writers take turns, as with SQLite, so a delta never
    // meets another half-applied one and rows in any order never deadlock: SQLite locks the file at
    // BEGIN IMMEDIATE; PostgreSQL runs writeLock, an advisory lock of this program, right after.
    QString beginWrite;
    QString writeLock; // empty when beginWrite already serialises

    static const SqlDialect& of(DatabaseLocation::Kind kind);
    static const SqlDialect& of(const QSqlDatabase& db);
};
