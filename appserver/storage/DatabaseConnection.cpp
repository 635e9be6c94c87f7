#include "appserver/storage/DatabaseConnection.h"

#include "appserver/storage/SqlDialect.h"
#include "appserver/storage/SqlSupport.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace {

// How long a writer waits for the one writing now before it fails: a delta takes milliseconds.
constexpr int kLockWaitMs = 5000;

QString nextConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("appserver-storage-%1").arg(counter.fetchAndAddRelaxed(1));
}

void checkSqlitePath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        throw StorageError(QCoreApplication::translate("DatabaseConnection", "%1 is a directory").arg(path));
    if (!info.absoluteDir().exists())
        throw StorageError(
            QCoreApplication::translate("DatabaseConnection", "the directory %1 does not exist")
                .arg(info.absolutePath()));
}

// SQLite would create the file as the umask allows, often readable by every user; its -wal and
// -shm files take the database file's mode. Made here first, for the owner only. When that
// fails, SQLite's own attempt fails too, and says why in its words.
void createSqliteFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void setUpSqlite(const QSqlDatabase& db) {
    runStatement(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(kLockWaitMs));
    QSqlQuery mode = runStatement(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    if (!mode.next() || mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw StorageError(
            QCoreApplication::translate("DatabaseConnection", "the database refuses write-ahead logging"));
    runStatement(db, QStringLiteral("PRAGMA foreign_keys = ON"));
    runStatement(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
}

void setUpPostgresql(const QSqlDatabase& db) {
    // Notices such as "relation already exists, skipping" would only clutter the log.
    runStatement(db, QStringLiteral("SET client_min_messages = warning"));
    runStatement(db, QStringLiteral("SET lock_timeout = %1").arg(kLockWaitMs));
    QSqlQuery encoding = runSql(db, QStringLiteral("SELECT current_setting('server_encoding')"));
    const QString name = encoding.next() ? encoding.value(0).toString() : QString();
    // The driver talks UTF-8; another encoding would refuse, or garble, characters it lacks.
    if (name != QLatin1String("UTF8"))
        throw StorageError(
            QCoreApplication::translate("DatabaseConnection",
                                        "the database is encoded in %1; create it with ENCODING 'UTF8'")
                .arg(name));
}

} // namespace

DatabaseConnection::DatabaseConnection(const DatabaseLocation& location) : name_(nextConnectionName()) {
    const SqlDialect& dialect = SqlDialect::of(location.kind);
    if (location.kind == DatabaseLocation::Kind::Sqlite)
        checkSqlitePath(location.sqlitePath);

    db_ = QSqlDatabase::addDatabase(dialect.driverName, name_);
    try {
        if (!db_.isValid())
            throw StorageError(tr("Qt's SQL driver %1 is not installed").arg(dialect.driverName));
        if (location.kind == DatabaseLocation::Kind::Sqlite) {
            createSqliteFile(location.sqlitePath);
            db_.setDatabaseName(location.sqlitePath);
        } else {
            db_.setHostName(location.host);
            db_.setPort(location.port);
            db_.setUserName(location.user);
            db_.setPassword(location.password);
            db_.setDatabaseName(location.databaseName);
            // An unreachable host fails the start instead of hanging it.
            db_.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=appserver"));
        }
        if (!db_.open())
            throw StorageError(db_.lastError().text());
        if (location.kind == DatabaseLocation::Kind::Sqlite)
            setUpSqlite(db_);
        else
            setUpPostgresql(db_);
    } catch (const StorageError&) {
        close();
        throw;
    }
}

DatabaseConnection::~DatabaseConnection() {
    close();
}

void DatabaseConnection::close() {
    // The kept queries go first: once the connection is closed they can no longer be finished, nor
    // PostgreSQL's deallocated.
    statements_.clear();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}
