#include "tests/support/database/TestDatabase.h"

#include "appserver/storage/DatabaseConnection.h"
#include "appserver/storage/SqlSupport.h"

#include <QHash>
#include <QSqlDriver>
#include <QUuid>

#include <optional>

namespace {

// The server's own database from the environment, where the test databases are created.
std::optional<DatabaseLocation> postgresServer(const char* variable, QString* whyNot) {
    const QString url = qEnvironmentVariable(variable);
    if (url.isEmpty()) {
        *whyNot = QStringLiteral("no PostgreSQL server: %1 is not set (scripts/postgres.sh starts one and "
                                 "prints its URL)")
                      .arg(QLatin1String(variable));
        return std::nullopt;
    }
    QString problem;
    std::optional<DatabaseLocation> location = parseDatabaseLocation(url, &problem);
    if (!location || location->kind != DatabaseLocation::Kind::Postgresql) {
        *whyNot = QStringLiteral("%1 is not a PostgreSQL URL: %2").arg(QLatin1String(variable), problem);
        return std::nullopt;
    }
    return location;
}

// Database names cannot be bound as values; this one is made here of letters, digits and "_".
QString quotedName(const QSqlDatabase& db, const QString& name) {
    return db.driver()->escapeIdentifier(name, QSqlDriver::TableName);
}

void runOnServer(const char* variable, const std::function<void(const QSqlDatabase&)>& fn) {
    QString whyNot;
    const std::optional<DatabaseLocation> server = postgresServer(variable, &whyNot);
    if (!server)
        throw StorageError(whyNot);
    DatabaseConnection connection(*server);
    fn(connection.db());
}

} // namespace

std::string storageKindName(const ::testing::TestParamInfo<StorageKind>& info) {
    return info.param == StorageKind::Sqlite ? "Sqlite" : "Postgresql";
}

void PrintTo(StorageKind kind, std::ostream* os) {
    *os << (kind == StorageKind::Sqlite ? "Sqlite" : "Postgresql");
}

QString TestDatabase::unavailableReason(StorageKind kind, const char* serverVariable) {
    if (kind == StorageKind::Sqlite)
        return {};
    // One answer per server and test process: each test runs in a process of its own under CTest.
    static QHash<QString, QString> reasons;
    const QString variable = QLatin1String(serverVariable);
    if (!reasons.contains(variable)) {
        QString whyNot;
        if (const std::optional<DatabaseLocation> server = postgresServer(serverVariable, &whyNot)) {
            try {
                DatabaseConnection connection(*server);
            } catch (const StorageError& error) {
                whyNot = QStringLiteral("no PostgreSQL server: %1").arg(error.message());
            }
        }
        reasons.insert(variable, whyNot);
    }
    return reasons.value(variable);
}

TestDatabase::TestDatabase(StorageKind kind, const QString& encoding, const char* serverVariable)
    : kind_(kind), serverVariable_(serverVariable) {
    if (kind == StorageKind::Sqlite) {
        location_.sqlitePath = directory_.filePath(QStringLiteral("appserver.sqlite"));
        return;
    }
    QString whyNot;
    const std::optional<DatabaseLocation> server = postgresServer(serverVariable_, &whyNot);
    if (!server)
        throw StorageError(whyNot);
    location_ = *server;
    location_.databaseName = QStringLiteral("vdr_test_") + QUuid::createUuid().toString(QUuid::Id128);
    runOnServer(serverVariable_, [this, &encoding](const QSqlDatabase& db) {
        // C collation is at home in every encoding, so any encoding can be asked for.
        runStatement(db, QStringLiteral("CREATE DATABASE %1 ENCODING '%2' LC_COLLATE 'C' LC_CTYPE 'C'"
                                        " TEMPLATE template0")
                             .arg(quotedName(db, location_.databaseName), encoding));
    });
}

TestDatabase::~TestDatabase() {
    if (kind_ != StorageKind::Postgresql)
        return;
    try {
        runOnServer(serverVariable_, [this](const QSqlDatabase& db) {
            // FORCE ends the sessions of a server the test left running.
            runStatement(db, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                                 .arg(quotedName(db, location_.databaseName)));
        });
    } catch (const StorageError& error) {
        ADD_FAILURE() << "cannot drop the test database: " << error.what();
    }
}

QString TestDatabase::url() const {
    if (kind_ == StorageKind::Sqlite)
        return QStringLiteral("sqlite:") + location_.sqlitePath;
    return qEnvironmentVariable(serverVariable_).section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') +
           location_.databaseName;
}

void TestDatabase::withConnection(const std::function<void(const QSqlDatabase&)>& fn) const {
    DatabaseConnection connection(location_);
    fn(connection.db());
}

qint64 TestDatabase::queryNumber(const QString& sql) const {
    qint64 number = -1;
    try {
        withConnection([&number, &sql](const QSqlDatabase& db) {
            QSqlQuery query = runSql(db, sql);
            if (query.next())
                number = query.value(0).toLongLong();
        });
    } catch (const StorageError& error) {
        ADD_FAILURE() << error.what();
    }
    return number;
}
