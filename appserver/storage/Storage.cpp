#include "appserver/storage/Storage.h"

#include "appserver/storage/Migrations.h"
#include "appserver/storage/SqlDialect.h"
#include "wire/DateTimeText.h"

#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString kRowColumns = QStringLiteral("CDPROGRAMA, NMFORMULARIO, NMCOMPONENTE, NMPROPRIEDADE, "
                                           "NRVALORPROP, IDSITTRADUCAO, STVALORPROP, STAGRVALPROP,"
                                           " DTULTATUTRAD, IDIDIOMA");

QVariant nullableText(const std::optional<QString>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<QString>());
}

QVariant nullableDateTime(const std::optional<QDateTime>& value) {
    return value ? QVariant(DateTimeText::format(*value)) : QVariant(QMetaType::fromType<QString>());
}

std::optional<QString> optionalText(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

std::optional<QDateTime> optionalDateTime(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return DateTimeText::parseIso(value.toString());
}

// Reads the columns of kRowColumns starting at column first, from a QSqlQuery or a StatementRun.
template <typename Query> TranslationRow readRow(const Query& query, int first) {
    TranslationRow row;
    row.program = query.value(first).toString();
    row.form = query.value(first + 1).toString();
    row.component = query.value(first + 2).toString();
    row.property = query.value(first + 3).toString();
    row.number = query.value(first + 4).toDouble();
    row.state = optionalText(query.value(first + 5));
    row.value = query.value(first + 6).toString();
    row.value2 = optionalText(query.value(first + 7));
    row.updated = optionalText(query.value(first + 8)); // stored as it travels
    row.language = query.value(first + 9).toString();
    return row;
}

QVariantList rowValues(const TranslationRow& row, const QString& matchKey) {
    return {matchKey,
            programKey(row.program, row.language),
            row.program,
            row.form,
            row.component,
            row.property,
            row.number,
            nullableText(row.state),
            row.value,
            nullableText(row.value2),
            nullableText(row.updated),
            row.language};
}

QVariantList rowValues(const TranslationRow& row) {
    return rowValues(row, TranslationKey::ofRow(row).matchKey());
}

QString lookupSql(const QString& placeholder) {
    return QStringLiteral("SELECT ID, %1 FROM translations WHERE MATCHKEY = %2")
        .arg(kRowColumns, placeholder);
}

QString programRowsSql(const QString& keyPlaceholder, const QString& afterPlaceholder,
                       const QString& limitPlaceholder) {
    return QStringLiteral("SELECT ID, %1 FROM translations WHERE PROGRAMKEY = %2 AND ID > %3 ORDER BY ID"
                          " LIMIT %4")
        .arg(kRowColumns, keyPlaceholder, afterPlaceholder, limitPlaceholder);
}

// The statements with the columns spelled once, put together once: each is also the key under
// which the connection keeps it prepared.
const QString kLookupSql = lookupSql(QStringLiteral("?"));
const QString kProgramRowsSql = programRowsSql(QStringLiteral("?"), QStringLiteral("?"), QStringLiteral("?"));
const QString kInsertSql =
    QStringLiteral(
        "INSERT INTO translations (MATCHKEY, PROGRAMKEY, %1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (MATCHKEY) DO NOTHING")
        .arg(kRowColumns);

// Rows of deferred parts one statement inserts at most; fewer go in the largest power of two that
// fits, so that six statements, each kept prepared, insert any number.
constexpr int kRowsPerInsert = 32;
const QString& insertRowsSql(int rows) {
    static const QList<QString> statements = [] {
        QList<QString> made;
        const QString values = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (int count = 1; count <= kRowsPerInsert; count *= 2) {
            QStringList rowsValues(count, values);
            made.append(QStringLiteral("INSERT INTO translations (MATCHKEY, PROGRAMKEY, %1) VALUES %2"
                                       " ON CONFLICT (MATCHKEY) DO NOTHING RETURNING MATCHKEY")
                            .arg(kRowColumns, rowsValues.join(QStringLiteral(", "))));
        }
        return made;
    }();
    int index = 0;
    while ((2 << index) <= rows)
        ++index;
    return statements.at(index);
}

// Keys one statement of readAhead looks up at most; fewer go in the largest power of two that fits.
constexpr int kKeysPerLookup = 16;

// One equality per key rather than IN: PostgreSQL's plan for any keys, planned while the table was
// small, scans the whole table for IN, and stays once the table has grown.
QString keysLookupSql(const QStringList& placeholders) {
    QStringList selects;
    for (const QString& placeholder : placeholders)
        selects.append(QStringLiteral("SELECT ID, MATCHKEY, %1 FROM translations WHERE MATCHKEY = %2")
                           .arg(kRowColumns, placeholder));
    return selects.join(QStringLiteral(" UNION ALL "));
}

const QString& lookupKeysSql(int keys) {
    static const QList<QString> statements = [] {
        QList<QString> made;
        for (int count = 1; count <= kKeysPerLookup; count *= 2)
            made.append(keysLookupSql(QStringList(count, QStringLiteral("?"))));
        return made;
    }();
    int index = 0;
    while ((2 << index) <= keys)
        ++index;
    return statements.at(index);
}

QString locationForMessages(const DatabaseLocation& location) {
    return location.kind == DatabaseLocation::Kind::Sqlite ? location.sqlitePath : location.describe();
}

} // namespace

// The function-try-block names the database in every failure, the connection's included.
Storage::Storage(const DatabaseLocation& location) try
    : location_(location), connection_(std::make_unique<DatabaseConnection>(location)) {
    const int found = ::schemaVersion(db());
    if (found > latestSchemaVersion())
        throw StorageError(tr("the database's schema version %1 is newer than this program's %2")
                               .arg(found)
                               .arg(latestSchemaVersion()));
    migrate(db(), latestSchemaVersion());
} catch (const StorageError& error) {
    throw StorageError(QStringLiteral("%1: %2").arg(locationForMessages(location), error.message()));
}

Storage::~Storage() = default;

void Storage::recoverConnection() {
    // Not while a group is open: its transaction belongs to this connection, and its commit tells
    // whether it was lost.
    if (!failed_ || group_)
        return;
    try {
        runStatement(db(), QStringLiteral("SELECT 1"));
        failed_ = false;
        return; // the failure was the request's own
    } catch (const StorageError&) {
    }
    // The broken connection stays until a new one is open: while the database is away, every
    // request tries again and fails with its reason, and nothing is left without a connection.
    std::unique_ptr<DatabaseConnection> fresh;
    try {
        fresh = std::make_unique<DatabaseConnection>(location_);
    } catch (const StorageError& error) {
        throw StorageError(QStringLiteral("%1: %2").arg(locationForMessages(location_), error.message()));
    }
    connection_ = std::move(fresh);
    failed_ = false;
    listedLanguages_.clear();
    readAhead_.clear();
    qInfo("%s", qUtf8Printable(tr("reconnected to the database %1").arg(locationForMessages(location_))));
}

int Storage::schemaVersion() const {
    return ::schemaVersion(db());
}

QList<LanguageEntry> Storage::languages(std::optional<int> atMost) const {
    QString sql =
        QStringLiteral("SELECT IDIDIOMA, DSIDIOMA, IDIPROP FROM languages ORDER BY SORTORDER, IDIDIOMA");
    QVariantList values;
    if (atMost) {
        sql += QStringLiteral(" LIMIT ?");
        values.append(*atMost);
    }
    StatementRun query = statements().run(sql, values);
    QList<LanguageEntry> result;
    while (query.next())
        result.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    return result;
}

bool Storage::hasLanguage(const QString& code) const {
    return statements().run(QStringLiteral("SELECT 1 FROM languages WHERE IDIDIOMA = ?"), {code}).next();
}

bool Storage::isListedLanguage(const QString& code) const {
    if (listedLanguages_.contains(code))
        return true;
    if (!hasLanguage(code))
        return false;
    listedLanguages_.insert(code);
    return true;
}

void Storage::addLanguage(const LanguageEntry& entry) {
    // Two at once would both find the code free and the same next place in the list.
    Transaction transaction(*this, WriteTransaction::Turns::EveryWriter);
    if (hasLanguage(entry.code))
        throw StorageError(tr("the language %1 is already in the list").arg(entry.code));
    statements().run(QStringLiteral("INSERT INTO languages (IDIDIOMA, DSIDIOMA, IDIPROP, SORTORDER)"
                                    " SELECT ?, ?, ?, COALESCE(MAX(SORTORDER), 0) + 1 FROM languages"),
                     {entry.code, entry.description, entry.prop});
    transaction.commit();
}

QList<TranslationRow> Storage::findTranslations(const TranslationKey& key) {
    const QString matchKey = key.matchKey();
    std::optional<QList<TranslationRow>> candidates;
    if (deferredKeys_.contains(matchKey))
        flushDeferred();
    else
        candidates = readAhead_.take(matchKey);
    if (!candidates) {
        candidates.emplace();
        StatementRun query = statements().run(kLookupSql, {matchKey});
        while (query.next())
            candidates->append(readRow(query, 1));
    }
    QList<TranslationRow> result;
    // The hash found the candidates; the columns decide.
    for (const TranslationRow& row : std::as_const(*candidates))
        if (key.matches(row))
            result.append(row);
    return result;
}

void Storage::readAhead(const QList<TranslationKey>& keys) {
    if (!batchesStatements())
        return;
    // Deferred rows are not stored yet: their look-ups write them first.
    QStringList wanted;
    QSet<QString> seen;
    for (const TranslationKey& key : keys) {
        const QString matchKey = key.matchKey();
        if (!deferredKeys_.contains(matchKey) && !seen.contains(matchKey)) {
            seen.insert(matchKey);
            wanted.append(matchKey);
        }
    }
    QHash<QString, QList<TranslationRow>> rows;
    for (qsizetype done = 0; done < wanted.size();) {
        int count = kKeysPerLookup;
        while (count > wanted.size() - done)
            count /= 2;
        QVariantList values;
        for (int i = 0; i < count; ++i)
            values.append(wanted.at(done + i));
        StatementRun query = statements().run(lookupKeysSql(count), values);
        while (query.next())
            rows[query.value(1).toString()].append(readRow(query, 2));
        done += count;
    }
    readAhead_.keep(wanted, rows);
}

std::optional<qint64> Storage::forEachProgramRow(const QString& program, const QString& language,
                                                 qint64 after, int atMost,
                                                 const std::function<bool(const TranslationRow&)>& take) {
    flushDeferred();
    // Read in chunks: PostgreSQL sends every row a statement selects, and the driver reads them all
    // before the next statement, however few take wants.
    constexpr int kChunk = 500;
    const QString key = programKey(program, language);
    const QString wanted[] = {upperAsciiLetters(program), upperAsciiLetters(language)};
    qint64 last = after;
    int taken = 0;
    for (;;) {
        // One more than may be taken: when it comes, rows are left.
        const int limit = std::min(kChunk, atMost - taken + 1);
        StatementRun query = statements().run(kProgramRowsSql, {key, last, limit});
        int read = 0;
        while (query.next()) {
            ++read;
            const qint64 id = query.value(0).toLongLong();
            const TranslationRow row = readRow(query, 1);
            // The hash found the candidates; the columns decide.
            if (upperAsciiLetters(row.program) != wanted[0] || upperAsciiLetters(row.language) != wanted[1]) {
                last = id;
                continue;
            }
            if (taken == atMost || !take(row))
                return last;
            ++taken;
            last = id;
        }
        if (read < limit)
            return std::nullopt;
    }
}

// Not kept prepared: it runs once per export, and visit might run it again meanwhile.
void Storage::forEachTranslation(const std::function<void(const TranslationRow&)>& visit) const {
    QSqlQuery query =
        runSql(db(), QStringLiteral("SELECT %1 FROM translations ORDER BY ID").arg(kRowColumns));
    while (query.next())
        visit(readRow(query, 0));
}

std::optional<QDateTime> Storage::versionStamp() const {
    StatementRun query =
        statements().run(QStringLiteral("SELECT DTGERARQTRAD FROM version_record WHERE ID = 1"));
    if (!query.next())
        throw StorageError(tr("the version record is missing"));
    return optionalDateTime(query.value(0));
}

std::optional<qint64> Storage::findRowId(const TranslationKey& key) const {
    StatementRun query = statements().run(kLookupSql, {key.matchKey()});
    while (query.next()) {
        if (key.matches(readRow(query, 1)))
            return query.value(0).toLongLong();
    }
    return std::nullopt;
}

Storage::InsertOutcome Storage::insertTranslation(const TranslationRow& row) {
    readAhead_.forget(TranslationKey::ofRow(row).matchKey());
    // The unique index decides, so two writers racing with the same row both succeed.
    if (statements().run(kInsertSql, rowValues(row)).numRowsAffected() == 1)
        return InsertOutcome::Inserted;
    if (!findRowId(TranslationKey::ofRow(row)))
        throw StorageError(
            tr("two different keys share the match key %1").arg(TranslationKey::ofRow(row).matchKey()));
    return InsertOutcome::AlreadyStored;
}

// An update or delete names the row by ID and by the key it was found under: should another
// server's writer change or delete the row in between, PostgreSQL waits for it and then finds the
// row no longer under that key, and the statement affects nothing.
Storage::UpdateOutcome Storage::updateTranslation(const TranslationKey& original, const TranslationRow& row) {
    readAhead_.forget(original.matchKey());
    readAhead_.forget(TranslationKey::ofRow(row).matchKey());
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
    values.append(original.matchKey());
    try {
        const StatementRun update = statements().run(
            QStringLiteral(
                "UPDATE translations SET MATCHKEY = ?, PROGRAMKEY = ?, CDPROGRAMA = ?, NMFORMULARIO = ?,"
                " NMCOMPONENTE = ?, NMPROPRIEDADE = ?, NRVALORPROP = ?, IDSITTRADUCAO = ?, STVALORPROP = ?,"
                " STAGRVALPROP = ?, DTULTATUTRAD = ?, IDIDIOMA = ? WHERE ID = ? AND MATCHKEY = ?"),
            values);
        return update.numRowsAffected() == 1 ? UpdateOutcome::Updated : UpdateOutcome::OriginalMissing;
    } catch (const StorageError& error) {
        // Another server stored a row with the new key since the check above.
        if (error.isUniqueViolation())
            return UpdateOutcome::KeyTaken;
        throw;
    }
}

bool Storage::deleteTranslation(const TranslationKey& key) {
    readAhead_.forget(key.matchKey());
    const std::optional<qint64> id = findRowId(key);
    if (!id)
        return false;
    return statements()
               .run(QStringLiteral("DELETE FROM translations WHERE ID = ? AND MATCHKEY = ?"),
                    {*id, key.matchKey()})
               .numRowsAffected() == 1;
}

void Storage::inPart(const std::function<void()>& apply) {
    // The deferred rows go first, outside this part's savepoint: undoing the part must not undo
    // them, and what it does may read or change them.
    flushDeferred();
    if (groupLost_)
        throw StorageError(*groupLost_);
    ++groupParts_;
    ++groupSavepoints_;
    runPart(apply);
}

void Storage::runPart(const std::function<void()>& apply) {
    for (int attempt = 1;; ++attempt) {
        // Savepoints of one name nest: a rollback to it goes back to the latest, this part's own.
        // None is released: the commit ends them all, and a release would cost a round trip.
        savepoint(QStringLiteral("part"));
        try {
            apply();
            return;
        } catch (const StorageError& error) {
            undoPart();
            if (!error.isDeadlock() || attempt == kDeadlockAttempts || groupLost_)
                throw;
        } catch (...) {
            undoPart();
            throw;
        }
        try {
            group_->commit();
            group_.reset();
        } catch (const StorageError& error) {
            group_.reset();
            loseGroup(error);
        }
    }
}

void Storage::savepoint(const QString& name) {
    try {
        openGroup();
        runStatement(db(), QStringLiteral("SAVEPOINT ") + name);
    } catch (const StorageError& error) {
        loseGroup(error);
    }
}

void Storage::undoPart() noexcept {
    // What was read ahead since the part began may have read what it undoes.
    readAhead_.clear();
    try {
        runStatement(db(), QStringLiteral("ROLLBACK TO SAVEPOINT part"));
    } catch (const StorageError& error) {
        groupLost_ = error.message();
    }
}

void Storage::openGroup() {
    if (!group_)
        group_ = std::make_unique<WriteTransaction>(db(), WriteTransaction::Turns::RowsOnly, &statements());
}

void Storage::commitGroup() {
    if (!group_ && groupParts_ == 0)
        return;
    // The transaction rolls back as it goes, unless committed.
    const auto over = qScopeGuard([this] {
        group_.reset();
        groupParts_ = 0;
        groupSavepoints_ = 0;
        groupLost_.reset();
        deferred_.clear();
        deferredKeys_.clear();
    });
    if (!groupLost_)
        flushDeferred();
    if (groupLost_)
        throw StorageError(tr("the transaction was lost: %1").arg(*groupLost_));
    if (group_)
        group_->commit();
}

bool Storage::batchesStatements() const {
    return SqlDialect::of(db()).batchesStatements;
}

void Storage::deferInserts(quint64 ticket, const QList<TranslationRow>& rows) {
    QList<QString> matchKeys;
    matchKeys.reserve(rows.size());
    for (const TranslationRow& row : rows) {
        const QString matchKey = TranslationKey::ofRow(row).matchKey();
        deferredKeys_.insert(matchKey);
        readAhead_.forget(matchKey);
        matchKeys.append(matchKey);
    }
    deferred_.append({ticket, rows, matchKeys});
    ++groupParts_;
}

void Storage::flushDeferred() {
    if (deferred_.isEmpty() || groupLost_)
        return; // a lost group's rows are lost with it, and its commit says so
    const QList<DeferredPart> parts = std::exchange(deferred_, {});
    deferredKeys_.clear();
    savepoint(QStringLiteral("deferred"));
    try {
        insertTogether(parts);
        return;
    } catch (const StorageError&) {
        // Which part failed, if one did, is found by trying them one at a time.
    }
    try {
        runStatement(db(), QStringLiteral("ROLLBACK TO SAVEPOINT deferred"));
    } catch (const StorageError& error) {
        loseGroup(error);
    }
    for (const DeferredPart& part : parts)
        insertAlone(part);
}

void Storage::insertTogether(const QList<DeferredPart>& parts) {
    QList<std::pair<const TranslationRow*, const QString*>> rows;
    for (const DeferredPart& part : parts)
        for (qsizetype i = 0; i < part.rows.size(); ++i)
            rows.append({&part.rows.at(i), &part.matchKeys.at(i)});
    for (qsizetype done = 0; done < rows.size();) {
        int count = kRowsPerInsert;
        while (count > rows.size() - done)
            count /= 2;
        QVariantList values;
        values.reserve(count * 12);
        for (int i = 0; i < count; ++i)
            values += rowValues(*rows.at(done + i).first, *rows.at(done + i).second);
        QSet<QString> inserted;
        {
            StatementRun run = statements().run(insertRowsSql(count), values);
            while (run.next())
                inserted.insert(run.value(0).toString());
        }
        // A row not inserted met one stored under its match key: the same row, unless two keys
        // share the digest. The first of two equal rows in one statement is the one inserted.
        for (int i = 0; i < count; ++i) {
            const auto [row, matchKey] = rows.at(done + i);
            if (!inserted.remove(*matchKey) && !findRowId(TranslationKey::ofRow(*row)))
                throw StorageError(tr("two different keys share the match key %1").arg(*matchKey));
        }
        done += count;
    }
}

void Storage::loseGroup(const StorageError& error) {
    groupLost_ = error.message();
    throw error;
}

void Storage::insertAlone(const DeferredPart& part) {
    try {
        runPart([&] {
            for (const TranslationRow& row : part.rows)
                insertTranslation(row);
        });
    } catch (const StorageError& error) {
        if (groupLost_)
            throw;
        failedParts_.insert(part.ticket, error.message());
    }
}

void Storage::setVersionStamp(const std::optional<QDateTime>& stamp) {
    statements().run(QStringLiteral("UPDATE version_record SET DTGERARQTRAD = ? WHERE ID = 1"),
                     {nullableDateTime(stamp)});
}

QString Storage::lookupPlan(Lookup lookup) const {
    // The statement with ? and with $n, its parameters' types and values for SQLite to plan with.
    struct Shown {
        QString sql, numbered, types;
        QVariantList values;
    };
    const Shown shown = [lookup]() -> Shown {
        const QString n1 = QStringLiteral("$1"), n2 = QStringLiteral("$2"), n3 = QStringLiteral("$3");
        switch (lookup) {
        case Lookup::Translation:
            break;
        case Lookup::ProgramRows:
            return {kProgramRowsSql,
                    programRowsSql(n1, n2, n3),
                    QStringLiteral("text, bigint, bigint"),
                    {QString(), 0, 1}};
        case Lookup::ReadAhead:
            return {lookupKeysSql(2),
                    keysLookupSql({n1, n2}),
                    QStringLiteral("text, text"),
                    {QString(), QString()}};
        }
        return {kLookupSql, lookupSql(n1), QStringLiteral("text"), {QString()}};
    }();
    QStringList lines;
    if (SqlDialect::of(db()).kind == DatabaseLocation::Kind::Sqlite) {
        QSqlQuery query = runSql(db(), QStringLiteral("EXPLAIN QUERY PLAN ") + shown.sql, shown.values);
        const int detail = query.record().indexOf(QStringLiteral("detail"));
        while (query.next())
            lines.append(query.value(detail).toString());
        return lines.join(QLatin1Char('\n'));
    }
    // Qt's driver cannot prepare EXPLAIN, and PostgreSQL 15 shows the plan for any key (the
    // generic one) only when executing a statement prepared by name with that plan forced. The
    // rollback undoes the setting; the prepared statement outlives it, hence the DEALLOCATE.
    runStatement(db(), QStringLiteral("BEGIN"));
    const auto rollBack = qScopeGuard([this] { QSqlQuery(db()).exec(QStringLiteral("ROLLBACK")); });
    runStatement(db(), QStringLiteral("SET LOCAL plan_cache_mode = force_generic_plan"));
    runStatement(db(),
                 QStringLiteral("PREPARE appserver_lookup (%1) AS %2").arg(shown.types, shown.numbered));
    const QStringList nulls(shown.values.size(), QStringLiteral("NULL"));
    QSqlQuery query = runStatement(
        db(), QStringLiteral("EXPLAIN EXECUTE appserver_lookup (%1)").arg(nulls.join(QStringLiteral(", "))));
    while (query.next())
        lines.append(query.value(0).toString());
    runStatement(db(), QStringLiteral("DEALLOCATE appserver_lookup"));
    return lines.join(QLatin1Char('\n'));
}
