#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <unordered_map>

// One run of a kept statement, for reading what it gave. Finishes the query when it goes, since
// the query itself stays: an unfinished SQLite statement keeps its read open, so the connection
// would go on seeing the database as it was then, and could not write once another connection
// had; Qt's PostgreSQL driver would hold on to the result.
class StatementRun {
public:
    explicit StatementRun(QSqlQuery& query) : query_(query) {}
    ~StatementRun() { query_.finish(); }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;

    bool next() { return query_.next(); }
    QVariant value(int column) const { return query_.value(column); }
    int numRowsAffected() const { return query_.numRowsAffected(); }

private:
    QSqlQuery& query_;
};

// The statements a connection runs for every request, each prepared on its first run and kept for
// the connection's life: preparing cost more than the look-up itself (SQLite parses and plans the
// text each time; PostgreSQL takes a round trip to PREPARE and another to DEALLOCATE). Belongs to
// one connection, which must clear it before closing: a query cannot outlive its connection.
class PreparedStatements {
public:
    // db is the connection's handle, read at each run: it may be opened after this is made.
    explicit PreparedStatements(const QSqlDatabase& db) : db_(db) {}
    PreparedStatements(const PreparedStatements&) = delete;
    PreparedStatements& operator=(const PreparedStatements&) = delete;

    // Runs sql (a constant of this program) with values bound by position, as runSql does and
    // with the same checks and errors. Only one run of a statement may be read at a time: the next
    // run of the same sql starts the query over.
    StatementRun run(const QString& sql, const QVariantList& values = {});

    // Drops every statement; PostgreSQL's are deallocated on the server.
    void clear() { queries_.clear(); }

private:
    const QSqlDatabase& db_;
    std::unordered_map<QString, QSqlQuery> queries_;
};
