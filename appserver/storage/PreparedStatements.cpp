#include "appserver/storage/PreparedStatements.h"

#include "appserver/storage/SqlSupport.h"

StatementRun PreparedStatements::run(const QString& sql, const QVariantList& values) {
    auto found = queries_.find(sql);
    if (found == queries_.end()) {
        QSqlQuery query(db_);
        prepareQuery(query, sql); // kept only once it is prepared
        found = queries_.emplace(sql, std::move(query)).first;
    }
    QSqlQuery& query = found->second;
    try {
        execPrepared(query, values);
    } catch (const StorageError&) {
        query.finish(); // as a run that succeeded would be, once read
        throw;
    }
    return StatementRun(query);
}
