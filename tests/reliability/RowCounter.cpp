#include "tests/reliability/RowCounter.h"

#include "appserver/storage/DatabaseConnection.h"
#include "appserver/storage/SqlSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

// Read-only and opened anew for each read, so that the reader never holds on to the file of a
// server killed mid-write, nor writes to it.
int sqliteCount(const QString& path) {
    const QString name = QStringLiteral("row-count");
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("SELECT COUNT(*) FROM translations")) && query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}

} // namespace

RowCounter::RowCounter(const TestDatabase& database) : database_(database) {}

RowCounter::~RowCounter() = default;

int RowCounter::count() {
    if (database_.kind() == StorageKind::Sqlite)
        return sqliteCount(database_.location().sqlitePath);
    // A session from before the database went away fails once; a new one tells whether it is back.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (!session_)
                session_ = std::make_unique<DatabaseConnection>(database_.location());
            QSqlQuery query = runSql(session_->db(), QStringLiteral("SELECT COUNT(*) FROM translations"));
            return query.next() ? query.value(0).toInt() : -1;
        } catch (const StorageError&) {
            session_.reset();
        }
    }
    return -1;
}
