#include "SqlSupport.h"

#include "SqlDialect.h"

#include <QSqlError>

namespace {

void refuseWhatPostgresqlWouldCut(const QSqlDatabase& db, const QVariantList& values) {
    if (SqlDialect::of(db).kind != DatabaseLocation::Kind::Postgresql)
        return;
    for (const QVariant& value : values) {
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            throw StorageError(QStringLiteral("PostgreSQL cannot store text holding the character U+0000"));
    }
}

} // namespace

QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    refuseWhatPostgresqlWouldCut(db, values);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw StorageError(QStringLiteral("cannot prepare \"%1\": %2").arg(sql, query.lastError().text()));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw StorageError(query.lastError().text());
    return query;
}

QSqlQuery runStatement(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw StorageError(query.lastError().text());
    return query;
}

void beginWrite(const QSqlDatabase& db) {
    const SqlDialect& dialect = SqlDialect::of(db);
    runStatement(db, dialect.beginWrite);
    if (dialect.writeLock.isEmpty())
        return;
    try {
        runSql(db, dialect.writeLock);
    } catch (const StorageError&) {
        rollback(db);
        throw;
    }
}

void commit(const QSqlDatabase& db) {
    runStatement(db, QStringLiteral("COMMIT"));
}

void rollback(const QSqlDatabase& db) noexcept {
    QSqlQuery query(db);
    query.exec(QStringLiteral("ROLLBACK"));
}
