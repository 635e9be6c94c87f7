#pragma once

#include "DatabaseLocation.h"
#include "Records.h"
#include "SqlSupport.h"
#include "TranslationKey.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

// The server's data: the language list, the translation table and the version record, in a
// SQLite file through Qt SQL. Every statement is prepared with bound values. Failures throw
// StorageError.
class Storage {
public:
    // Opens the database, creating the file when missing, and brings the schema up to date.
    // Refuses (StorageError) a path whose directory is missing, a file that is not a SQLite
    // database, and a schema newer than this program knows.
    explicit Storage(const DatabaseLocation& location);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    int schemaVersion() const;

    QList<LanguageEntry> languages() const;
    bool hasLanguage(const QString& code) const;
    // Appends to the list; StorageError when the code is already there.
    void addLanguage(const LanguageEntry& entry);

    // At most one row, since the key is unique.
    QList<TranslationRow> findTranslations(const TranslationKey& key) const;
    // Every row in the order stored.
    void forEachTranslation(const std::function<void(const TranslationRow&)>& visit) const;

    // DTGERARQTRAD of the single version row; nullopt while never set.
    std::optional<QDateTime> versionStamp() const;

    // The write operations below belong inside a transaction.
    class Transaction {
    public:
        explicit Transaction(Storage& storage);
        ~Transaction(); // rolls back unless committed
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        Storage& storage_;
        bool open_ = true;
    };

    enum class InsertOutcome { Inserted, AlreadyStored };
    InsertOutcome insertTranslation(const TranslationRow& row);

    enum class UpdateOutcome { Updated, OriginalMissing, KeyTaken };
    // Finds the row stored under original and replaces all its fields with row's.
    UpdateOutcome updateTranslation(const TranslationKey& original, const TranslationRow& row);

    // False when no row is stored under key.
    bool deleteTranslation(const TranslationKey& key);

    void setVersionStamp(const std::optional<QDateTime>& stamp);

    // SQLite's EXPLAIN QUERY PLAN for the look-up of findTranslations, one line per step.
    QString lookupPlan() const;

private:
    QString connectionName_;
    QSqlDatabase db_;

    std::optional<qint64> findRowId(const TranslationKey& key) const;
    void closeConnection();
};
