#pragma once

#include "appserver/storage/DatabaseLocation.h"
#include "appserver/storage/PreparedStatements.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QString>

// One open connection to the server's database, set up as the storage needs it; closed again on
// destruction. Each object has a Qt SQL connection name of its own, so several may be open at once.
class DatabaseConnection {
    Q_DECLARE_TR_FUNCTIONS(DatabaseConnection)

public:
    // Throws StorageError when the driver is missing or the database cannot be opened or used: a
    // SQLite path in a missing directory or naming a directory, a file that is not a SQLite
    // database, a PostgreSQL server that cannot be reached or refuses the login, a PostgreSQL
    // database not encoded in UTF-8.
    explicit DatabaseConnection(const DatabaseLocation& location);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    const QSqlDatabase& db() const { return db_; }
    // This connection's own: a query prepared on one connection cannot run on another. Reusing a
    // prepared statement changes no data, hence available on a const connection.
    PreparedStatements& statements() const { return statements_; }

private:
    QString name_;
    QSqlDatabase db_;
    mutable PreparedStatements statements_{db_};

    void close();
};
