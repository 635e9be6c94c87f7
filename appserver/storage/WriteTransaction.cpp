#include "appserver/storage/WriteTransaction.h"

#include "appserver/storage/PreparedStatements.h"
#include "appserver/storage/SqlDialect.h"
#include "appserver/storage/SqlSupport.h"

#include <QScopeGuard>
#include <QSqlQuery>

namespace {

// Best effort: SQLite may already have rolled back after the failure being reported, and then
// ROLLBACK itself fails with nothing left to undo.
void rollBack(const QSqlDatabase& db) noexcept {
    QSqlQuery query(db);
    query.exec(QStringLiteral("ROLLBACK"));
}

} // namespace

WriteTransaction::WriteTransaction(const QSqlDatabase& db, Turns turns, PreparedStatements* kept) : db_(db) {
    const SqlDialect& dialect = SqlDialect::of(db_);
    runStatement(db_, dialect.beginWrite);
    if (turns == Turns::RowsOnly || dialect.writeLock.isEmpty())
        return;
    auto rollBackUnlessLocked = qScopeGuard([this] { rollBack(db_); });
    if (kept)
        kept->run(dialect.writeLock);
    else
        runSql(db_, dialect.writeLock);
    rollBackUnlessLocked.dismiss();
}

WriteTransaction::~WriteTransaction() {
    if (open_)
        rollBack(db_);
}

void WriteTransaction::commit() {
    runStatement(db_, QStringLiteral("COMMIT"));
    open_ = false;
}
