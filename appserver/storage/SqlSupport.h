#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <stdexcept>

// The database failed or refused: a fault of the storage, not of the request.
class StorageError : public std::runtime_error {
public:
    // code: the driver's code for the failure, when it gave one (PostgreSQL's SQLSTATE).
    explicit StorageError(const QString& message, const QString& code = {})
        : std::runtime_error(message.toStdString()), code_(code) {}
    QString message() const { return QString::fromStdString(what()); }

    // PostgreSQL refused a second row with a key the unique index already holds.
    bool isUniqueViolation() const { return code_ == QLatin1String("23505"); }
    // PostgreSQL ended this statement to break a cycle of writers waiting for each other's rows;
    // the same work goes through once the other has committed.
    bool isDeadlock() const { return code_ == QLatin1String("40P01"); }

private:
    QString code_;
};

// Prepares sql (a constant of this program, never built from input), binds values by position
// and runs it. Throws StorageError with the driver's text, and before running when PostgreSQL
// would get text holding U+0000, which its driver would silently cut short there. For statements
// run once; a connection's recurring ones are kept prepared by PreparedStatements.
QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// The two halves of runSql, for a query that is prepared once and run many times. Both throw
// StorageError; execPrepared replaces the values bound by an earlier run.
void prepareQuery(QSqlQuery& query, const QString& sql);
void execPrepared(QSqlQuery& query, const QVariantList& values);

// Runs a constant statement that takes no values, unprepared: schema changes, transaction control
// and settings, which PostgreSQL cannot prepare. Throws StorageError.
QSqlQuery runStatement(const QSqlDatabase& db, const QString& sql);
