#include "Storage.h"

#include "DataPacket.h"
#include "Migrations.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString kRowColumns = QStringLiteral("CDPROGRAMA, NMFORMULARIO, NMCOMPONENTE, NMPROPRIEDADE, "
                                           "NRVALORPROP, IDSITTRADUCAO, STVALORPROP, STAGRVALPROP,"
                                           " DTULTATUTRAD, IDIDIOMA");

const QString kLookupSql =
    QStringLiteral("SELECT ID, %1 FROM translations WHERE MATCHKEY = ?").arg(kRowColumns);

QVariant nullableText(const std::optional<QString>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<QString>());
}

QVariant nullableDateTime(const std::optional<QDateTime>& value) {
    return value ? QVariant(formatDateTime(*value)) : QVariant(QMetaType::fromType<QString>());
}

std::optional<QString> optionalText(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

std::optional<QDateTime> optionalDateTime(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return parseDateTime(value.toString());
}

// Reads the columns of kRowColumns starting at column first.
TranslationRow readRow(const QSqlQuery& query, int first) {
    TranslationRow row;
    row.program = query.value(first).toString();
    row.form = query.value(first + 1).toString();
    row.component = query.value(first + 2).toString();
    row.property = query.value(first + 3).toString();
    row.number = query.value(first + 4).toDouble();
    row.state = optionalText(query.value(first + 5));
    row.value = query.value(first + 6).toString();
    row.value2 = optionalText(query.value(first + 7));
    row.updated = optionalDateTime(query.value(first + 8));
    row.language = query.value(first + 9).toString();
    return row;
}

QVariantList rowValues(const TranslationRow& row) {
    return {TranslationKey::ofRow(row).matchKey(),
            row.program,
            row.form,
            row.component,
            row.property,
            row.number,
            nullableText(row.state),
            row.value,
            nullableText(row.value2),
            nullableDateTime(row.updated),
            row.language};
}

QString nextConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("appserver-storage-%1").arg(counter.fetchAndAddRelaxed(1));
}

void checkSqlitePath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        throw StorageError(QStringLiteral("%1 is a directory").arg(path));
    if (!info.absoluteDir().exists())
        throw StorageError(QStringLiteral("the directory %1 does not exist").arg(info.absolutePath()));
}

bool usesWriteAheadLog(const QSqlDatabase& db) {
    QSqlQuery mode = runSql(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    return mode.next() && mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

} // namespace

Storage::Storage(const DatabaseLocation& location) : connectionName_(nextConnectionName()) {
    if (location.kind != DatabaseLocation::Kind::Sqlite)
        throw StorageError(
            QStringLiteral("PostgreSQL storage is not available in this version; use sqlite:PATH"));
    checkSqlitePath(location.sqlitePath);

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    try {
        if (!db_.isValid())
            throw StorageError(QStringLiteral("Qt's SQLite driver (QSQLITE) is not installed"));
        db_.setDatabaseName(location.sqlitePath);
        if (!db_.open())
            throw StorageError(db_.lastError().text());
        runSql(db_, QStringLiteral("PRAGMA busy_timeout = 5000"));
        if (!usesWriteAheadLog(db_))
            throw StorageError(QStringLiteral("the database refuses write-ahead logging"));
        runSql(db_, QStringLiteral("PRAGMA foreign_keys = ON"));
        runSql(db_, QStringLiteral("PRAGMA synchronous = NORMAL"));

        const int found = ::schemaVersion(db_);
        if (found > latestSchemaVersion())
            throw StorageError(
                QStringLiteral("the database's schema version %1 is newer than this program's %2")
                    .arg(found)
                    .arg(latestSchemaVersion()));
        migrate(db_, latestSchemaVersion());
    } catch (const StorageError& error) {
        closeConnection();
        throw StorageError(QStringLiteral("%1: %2").arg(location.sqlitePath, error.message()));
    }
}

void Storage::closeConnection() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

Storage::~Storage() {
    closeConnection();
}

int Storage::schemaVersion() const {
    return ::schemaVersion(db_);
}

QList<LanguageEntry> Storage::languages() const {
    QSqlQuery query = runSql(
        db_,
        QStringLiteral("SELECT IDIDIOMA, DSIDIOMA, IDIPROP FROM languages ORDER BY SORTORDER, IDIDIOMA"));
    QList<LanguageEntry> result;
    while (query.next())
        result.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    return result;
}

bool Storage::hasLanguage(const QString& code) const {
    return runSql(db_, QStringLiteral("SELECT 1 FROM languages WHERE IDIDIOMA = ?"), {code}).next();
}

void Storage::addLanguage(const LanguageEntry& entry) {
    Transaction transaction(*this);
    if (hasLanguage(entry.code))
        throw StorageError(QStringLiteral("the language %1 is already in the list").arg(entry.code));
    runSql(db_,
           QStringLiteral("INSERT INTO languages (IDIDIOMA, DSIDIOMA, IDIPROP, SORTORDER)"
                          " SELECT ?, ?, ?, COALESCE(MAX(SORTORDER), 0) + 1 FROM languages"),
           {entry.code, entry.description, entry.prop});
    transaction.commit();
}

QList<TranslationRow> Storage::findTranslations(const TranslationKey& key) const {
    QSqlQuery query = runSql(db_, kLookupSql, {key.matchKey()});
    QList<TranslationRow> result;
    while (query.next()) {
        TranslationRow row = readRow(query, 1);
        // The hash found the candidate; the columns decide.
        if (key.matches(row))
            result.append(row);
    }
    return result;
}

void Storage::forEachTranslation(const std::function<void(const TranslationRow&)>& visit) const {
    QSqlQuery query = runSql(db_, QStringLiteral("SELECT %1 FROM translations ORDER BY ID").arg(kRowColumns));
    while (query.next())
        visit(readRow(query, 0));
}

std::optional<QDateTime> Storage::versionStamp() const {
    QSqlQuery query = runSql(db_, QStringLiteral("SELECT DTGERARQTRAD FROM version_record WHERE ID = 1"));
    if (!query.next())
        throw StorageError(QStringLiteral("the version record is missing"));
    return optionalDateTime(query.value(0));
}

Storage::Transaction::Transaction(Storage& storage) : storage_(storage) {
    beginImmediate(storage_.db_);
}

Storage::Transaction::~Transaction() {
    if (open_)
        rollback(storage_.db_);
}

void Storage::Transaction::commit() {
    ::commit(storage_.db_);
    open_ = false;
}

std::optional<qint64> Storage::findRowId(const TranslationKey& key) const {
    QSqlQuery query = runSql(db_, kLookupSql, {key.matchKey()});
    while (query.next()) {
        if (key.matches(readRow(query, 1)))
            return query.value(0).toLongLong();
    }
    return std::nullopt;
}

Storage::InsertOutcome Storage::insertTranslation(const TranslationRow& row) {
    // The unique index decides, so two writers racing with the same row both succeed.
    QSqlQuery query = runSql(
        db_,
        QStringLiteral("INSERT INTO translations (MATCHKEY, %1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                       " ON CONFLICT (MATCHKEY) DO NOTHING")
            .arg(kRowColumns),
        rowValues(row));
    if (query.numRowsAffected() == 1)
        return InsertOutcome::Inserted;
    if (!findRowId(TranslationKey::ofRow(row)))
        throw StorageError(QStringLiteral("two different keys share the match key %1")
                               .arg(TranslationKey::ofRow(row).matchKey()));
    return InsertOutcome::AlreadyStored;
}

Storage::UpdateOutcome Storage::updateTranslation(const TranslationKey& original, const TranslationRow& row) {
    const std::optional<qint64> id = findRowId(original);
    if (!id)
        return UpdateOutcome::OriginalMissing;
    const TranslationKey newKey = TranslationKey::ofRow(row);
    if (!(newKey == original)) {
        const std::optional<qint64> other = findRowId(newKey);
        if (other && *other != *id)
            return UpdateOutcome::KeyTaken;
    }
    QVariantList values = rowValues(row);
    values.append(*id);
    runSql(db_,
           QStringLiteral(
               "UPDATE translations SET MATCHKEY = ?, CDPROGRAMA = ?, NMFORMULARIO = ?, NMCOMPONENTE = ?,"
               " NMPROPRIEDADE = ?, NRVALORPROP = ?, IDSITTRADUCAO = ?, STVALORPROP = ?, STAGRVALPROP = ?,"
               " DTULTATUTRAD = ?, IDIDIOMA = ? WHERE ID = ?"),
           values);
    return UpdateOutcome::Updated;
}

bool Storage::deleteTranslation(const TranslationKey& key) {
    const std::optional<qint64> id = findRowId(key);
    if (!id)
        return false;
    runSql(db_, QStringLiteral("DELETE FROM translations WHERE ID = ?"), {*id});
    return true;
}

void Storage::setVersionStamp(const std::optional<QDateTime>& stamp) {
    runSql(db_, QStringLiteral("UPDATE version_record SET DTGERARQTRAD = ? WHERE ID = 1"),
           {nullableDateTime(stamp)});
}

QString Storage::lookupPlan() const {
    QSqlQuery query = runSql(db_, QStringLiteral("EXPLAIN QUERY PLAN ") + kLookupSql, {QString()});
    const int detail = query.record().indexOf(QStringLiteral("detail"));
    QStringList lines;
    while (query.next())
        lines.append(query.value(detail).toString());
    return lines.join(QLatin1Char('\n'));
}
