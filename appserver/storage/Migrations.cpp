#include "appserver/storage/Migrations.h"

#include "appserver/storage/SqlDialect.h"
#include "appserver/storage/SqlSupport.h"
#include "appserver/storage/TranslationKey.h"
#include "appserver/storage/WriteTransaction.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>

#include <functional>
#include <limits>

namespace {

void createInitialSchema(const QSqlDatabase& db) {
    const SqlDialect& dialect = SqlDialect::of(db);
    runStatement(db, QStringLiteral("CREATE TABLE languages ("
                                    " IDIDIOMA TEXT NOT NULL PRIMARY KEY,"
                                    " DSIDIOMA TEXT NOT NULL,"
                                    " IDIPROP TEXT NOT NULL)"));
    const QList<QVariantList> seeds{
        {QStringLiteral("POR"), QStringLiteral("Português"), QStringLiteral("POR")},
        {QStringLiteral("ENG"), QStringLiteral("English"), QStringLiteral("ENG")},
        {QStringLiteral("SPA"), QStringLiteral("Español"), QStringLiteral("SPA")},
    };
    for (const QVariantList& seed : seeds)
        runSql(db, QStringLiteral("INSERT INTO languages (IDIDIOMA, DSIDIOMA, IDIPROP) VALUES (?, ?, ?)"),
               seed);

    // Date-times are ISO 8601 local-time text in both storages, exactly as they travel, so no
    // time zone ever shifts them.
    runStatement(db, QStringLiteral("CREATE TABLE translations ("
                                    " ID %1,"
                                    " MATCHKEY TEXT NOT NULL,"
                                    " CDPROGRAMA TEXT NOT NULL,"
                                    " NMFORMULARIO TEXT NOT NULL,"
                                    " NMCOMPONENTE TEXT NOT NULL,"
                                    " NMPROPRIEDADE TEXT NOT NULL,"
                                    " NRVALORPROP %2 NOT NULL,"
                                    " IDSITTRADUCAO TEXT,"
                                    " STVALORPROP TEXT NOT NULL,"
                                    " STAGRVALPROP TEXT,"
                                    " DTULTATUTRAD TEXT,"
                                    " IDIDIOMA TEXT NOT NULL REFERENCES languages (IDIDIOMA))")
                         .arg(dialect.generatedKeyColumn, dialect.doubleColumn));
    // On the digest, not the columns: PostgreSQL's b-tree entries cannot hold a 4,000-character value.
    runStatement(db, QStringLiteral("CREATE UNIQUE INDEX translations_matchkey ON translations (MATCHKEY)"));

    runStatement(db, QStringLiteral("CREATE TABLE version_record ("
                                    " ID INTEGER NOT NULL PRIMARY KEY CHECK (ID = 1),"
                                    " DTGERARQTRAD TEXT)"));
    runSql(db, QStringLiteral("INSERT INTO version_record (ID, DTGERARQTRAD) VALUES (1, NULL)"));
}

void addLanguageOrder(const QSqlDatabase& db) {
    runStatement(db, QStringLiteral("ALTER TABLE languages ADD COLUMN SORTORDER INTEGER NOT NULL DEFAULT 0"));
    // Until now the list came out in insertion order: SQLite's rowid order; in PostgreSQL, which
    // has no rowid, the order on disk of a table that was only ever appended to.
    if (SqlDialect::of(db).kind == DatabaseLocation::Kind::Sqlite)
        runSql(db, QStringLiteral("UPDATE languages SET SORTORDER = rowid"));
    else
        runSql(db, QStringLiteral("UPDATE languages SET SORTORDER = appended.position FROM"
                                  " (SELECT IDIDIOMA, row_number() OVER (ORDER BY ctid) AS position"
                                  " FROM languages) AS appended"
                                  " WHERE languages.IDIDIOMA = appended.IDIDIOMA"));
}

// Sets column, a key computed in C++ from sourceColumns of each stored row, since SQL's
// upper-casing goes by locale. In batches along ID, so that a large table is never held in memory
// at once. column and sourceColumns are constants of this program.
void fillKeyColumn(const QSqlDatabase& db, const QString& column, const QString& sourceColumns,
                   const std::function<QString(const QSqlQuery&)>& keyOf) {
    constexpr int kBatch = 1000;
    QSqlQuery read(db);
    prepareQuery(read, QStringLiteral("SELECT ID, %1 FROM translations WHERE ID > ? ORDER BY ID LIMIT %2")
                           .arg(sourceColumns)
                           .arg(kBatch));
    QSqlQuery write(db);
    prepareQuery(write, QStringLiteral("UPDATE translations SET %1 = ? WHERE ID = ?").arg(column));
    QVariantList keys, ids;
    qint64 last = std::numeric_limits<qint64>::min();
    do {
        keys.clear();
        ids.clear();
        execPrepared(read, {last});
        while (read.next()) {
            last = read.value(0).toLongLong();
            ids.append(last);
            keys.append(keyOf(read));
        }
        read.finish();
        for (qsizetype i = 0; i < ids.size(); ++i)
            execPrepared(write, {keys.at(i), ids.at(i)});
    } while (ids.size() == kBatch);
}

void addFormKey(const QSqlDatabase& db) {
    runStatement(db, QStringLiteral("ALTER TABLE translations ADD COLUMN FORMKEY TEXT"));
    fillKeyColumn(db, QStringLiteral("FORMKEY"), QStringLiteral("CDPROGRAMA, NMFORMULARIO, IDIDIOMA"),
                  [](const QSqlQuery& row) {
                      return formKey(row.value(1).toString(), row.value(2).toString(),
                                     row.value(3).toString());
                  });
    // With ID in the index its entries for one key come in stored order, so neither storage sorts
    // or walks the table in ID order instead.
    runStatement(db, QStringLiteral("CREATE INDEX translations_formkey ON translations (FORMKEY, ID)"));
}

void replaceFormKeyWithProgramKey(const QSqlDatabase& db) {
    runStatement(db, QStringLiteral("ALTER TABLE translations ADD COLUMN PROGRAMKEY TEXT"));
    fillKeyColumn(
        db, QStringLiteral("PROGRAMKEY"), QStringLiteral("CDPROGRAMA, IDIDIOMA"),
        [](const QSqlQuery& row) { return programKey(row.value(1).toString(), row.value(2).toString()); });
    // As for FORMKEY: a page of a program is one range of this index, in stored order.
    runStatement(db, QStringLiteral("CREATE INDEX translations_programkey ON translations (PROGRAMKEY, ID)"));
    // Nothing reads a form's rows on their own any more. SQLite drops no column an index is on.
    runStatement(db, QStringLiteral("DROP INDEX translations_formkey"));
    runStatement(db, QStringLiteral("ALTER TABLE translations DROP COLUMN FORMKEY"));
}

const QList<std::function<void(const QSqlDatabase&)>>& steps() {
    static const QList<std::function<void(const QSqlDatabase&)>> list{
        createInitialSchema, addLanguageOrder, addFormKey, replaceFormKeyWithProgramKey};
    return list;
}

int readVersion(const QSqlDatabase& db) {
    QSqlQuery query = runSql(db, QStringLiteral("SELECT version FROM schema_version"));
    return query.next() ? query.value(0).toInt() : 0;
}

} // namespace

int latestSchemaVersion() {
    return int(steps().size());
}

int schemaVersion(const QSqlDatabase& db) {
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return 0;
    return readVersion(db);
}

void migrate(const QSqlDatabase& db, int targetVersion) {
    for (int version = 1; version <= targetVersion && version <= latestSchemaVersion(); ++version) {
        WriteTransaction transaction(db, WriteTransaction::Turns::EveryWriter);
        try {
            // Under the lock: in PostgreSQL, of two sessions creating a table at once one fails, IF NOT
            // EXISTS or not.
            runStatement(
                db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
            const int current = readVersion(db);
            if (current < version) {
                steps().at(version - 1)(db);
                runSql(db, QStringLiteral("DELETE FROM schema_version"));
                runSql(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {version});
            }
            transaction.commit();
        } catch (const StorageError& error) {
            throw StorageError(
                QCoreApplication::translate("Migrations", "schema migration to version %1 failed: %2")
                    .arg(QString::number(version), error.message()));
        }
    }
}
