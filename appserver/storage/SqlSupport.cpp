#include "appserver/storage/SqlSupport.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlError>

namespace {

void refuseWhatPostgresqlWouldCut(const QSqlQuery& query, const QVariantList& values) {
    if (query.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return;
    for (const QVariant& value : values) {
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            throw StorageError(QCoreApplication::translate(
                "SqlSupport", "PostgreSQL cannot store text holding the character U+0000"));
    }
}

} // namespace

QSqlQuery runSql(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    QSqlQuery query(db);
    prepareQuery(query, sql);
    execPrepared(query, values);
    return query;
}

void prepareQuery(QSqlQuery& query, const QString& sql) {
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw StorageError(QCoreApplication::translate("SqlSupport", "cannot prepare \"%1\": %2")
                               .arg(sql, query.lastError().text()));
}

void execPrepared(QSqlQuery& query, const QVariantList& values) {
    refuseWhatPostgresqlWouldCut(query, values);
    // By position, so a run with the same number of values overwrites every value of the last one.
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw StorageError(query.lastError().text(), query.lastError().nativeErrorCode());
}

QSqlQuery runStatement(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw StorageError(query.lastError().text(), query.lastError().nativeErrorCode());
    return query;
}
