#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <stdexcept>

// The database failed or refused: a fault of the storage, not of the request.
class StorageError : public std::runtime_error {
public:
    explicit StorageError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Prepares sql (a constant of this program, never built from input), binds values by position
// and runs it. Throws StorageError with the driver's text.
QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// SQLite takes the write lock at BEGIN IMMEDIATE, so a transaction never has to upgrade a read
// lock later (which could fail at once instead of waiting out busy_timeout).
void beginImmediate(const QSqlDatabase& db);
void commit(const QSqlDatabase& db);
// Best effort: SQLite may already have rolled back after the failure being reported, and then
// ROLLBACK itself fails with nothing left to undo.
void rollback(const QSqlDatabase& db) noexcept;
