#include "SqlSupport.h"

#include <QSqlError>

QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
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

void beginImmediate(const QSqlDatabase& db) {
    runSql(db, QStringLiteral("BEGIN IMMEDIATE"));
}

void commit(const QSqlDatabase& db) {
    runSql(db, QStringLiteral("COMMIT"));
}

void rollback(const QSqlDatabase& db) noexcept {
    QSqlQuery query(db);
    query.exec(QStringLiteral("ROLLBACK"));
}
