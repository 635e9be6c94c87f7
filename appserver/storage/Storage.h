#pragma once

#include "appserver/storage/DatabaseConnection.h"
#include "appserver/storage/DatabaseLocation.h"
#include "appserver/storage/ReadAheadRows.h"
#include "appserver/storage/Records.h"
#include "appserver/storage/SqlSupport.h"
#include "appserver/storage/TranslationKey.h"
#include "appserver/storage/WriteTransaction.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The server's data: the language list, the translation table and the version record, in a
// SQLite file or a PostgreSQL database through Qt SQL, with the same schema and behaviour. Every
// statement that takes values is prepared with them bound; those run for requests stay prepared
// on the connection. Failures throw StorageError.
class Storage {
    Q_DECLARE_TR_FUNCTIONS(Storage)

public:
    // Opens the database, creating a SQLite file when missing, and brings the schema up to date.
    // Refuses (StorageError) what DatabaseConnection refuses and a schema newer than this program
    // knows.
    explicit Storage(const DatabaseLocation& location);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    int schemaVersion() const;

    // A request that failed in the database may have lost the connection with it: a PostgreSQL
    // server restarted or ended the session. noteFailure marks that; the next request calls
    // recoverConnection, which tries the connection and opens a new one when it is gone, so the
    // server serves again once the database is back. Throws StorageError while it is not.
    void noteFailure() { failed_ = true; }
    void recoverConnection();

    // The list in its order; with atMost, only its first atMost entries are read.
    QList<LanguageEntry> languages(std::optional<int> atMost = std::nullopt) const;
    bool hasLanguage(const QString& code) const;
    // Appends to the list; StorageError when the code is already there.
    void addLanguage(const LanguageEntry& entry);

    // At most one row, since the key is unique.
    QList<TranslationRow> findTranslations(const TranslationKey& key);
    // Where the dialect batches statements, reads the rows of the keys, up to 16 to a statement,
    // for findTranslations to take instead of reading each (see ReadAheadRows).
    void readAhead(const QList<TranslationKey>& keys);
    // The rows of one program in one language stored after the row with ID after, in the order
    // stored, whatever their other fields (program and language equal after a-z upper-casing):
    // hands them to take one at a time, as read, until take refuses one or atMost have been taken.
    // Returns the ID to go on after, or nullopt when no such row is left: none is held beyond the
    // one in hand, so a program of any size reads in pages.
    std::optional<qint64> forEachProgramRow(const QString& program, const QString& language, qint64 after,
                                            int atMost,
                                            const std::function<bool(const TranslationRow&)>& take);
    // Every row in the order stored; not the deferred rows of an open group (see deferInserts),
    // which the commands reading all rows never have.
    void forEachTranslation(const std::function<void(const TranslationRow&)>& visit) const;

    // DTGERARQTRAD of the single version row; nullopt while never set.
    std::optional<QDateTime> versionStamp() const;

    // The write operations below belong inside a transaction, which rolls back unless committed,
    // or inside a part of the group. In SQLite transactions that write take turns, also across
    // processes sharing the file; in PostgreSQL only those writing the same rows wait for each
    // other. A read never waits for them.
    class Transaction {
    public:
        explicit Transaction(Storage& storage,
                             WriteTransaction::Turns turns = WriteTransaction::Turns::RowsOnly)
            : write_(storage.db(), turns, &storage.statements()) {}
        void commit() { write_.commit(); }

    private:
        WriteTransaction write_;
    };

    // Writes that arrive together share one transaction, the group, so that one commit makes them
    // all durable. Each runs as a part of it, in a savepoint of its own: a part that fails is
    // undone without the others. The group's transaction begins with its first part and ends at
    // commitGroup; until then nothing of it is durable, and nothing read meanwhile on this storage
    // may be told as stored.
    //
    // Runs apply as a part of the group. When apply throws, the part is undone and the exception
    // goes on; a StorageError goes on too when the group's transaction is lost. A part PostgreSQL
    // ends to break a cycle of writers waiting for each other's rows runs again, up to
    // kDeadlockAttempts times, after the parts before it are committed: that lets the other writer
    // go on, and this part waits for it at most.
    void inPart(const std::function<void()>& apply);
    // Parts begun in the open group, kept, undone or deferred; 0 when none is open.
    int groupParts() const { return groupParts_; }
    // Of them, those in a savepoint of their own.
    int groupSavepoints() const { return groupSavepoints_; }
    // Commits the group. Throws StorageError when the transaction was lost or the commit failed:
    // none of the group is stored then, or, when the database went away during the commit, it is
    // not known whether it was. Either way the group is over.
    void commitGroup();

    // Where the dialect batches statements: a part of the group that only inserts rows, already checked
    // as a part checks them, need not cost a savepoint and a statement per row. Its rows wait here
    // and go out with the deferred rows of other parts, up to 32 to a statement, before anything
    // that may read or change them: a look-up of one of their keys, a page of their program, a
    // part that is not deferred, the commit. Only a part that fails then, on its own, is undone;
    // the part's ticket names it in failedParts.
    bool batchesStatements() const;
    void deferInserts(quint64 ticket, const QList<TranslationRow>& rows);
    // The deferred parts that failed since the last call, by ticket, with why.
    QHash<quint64, QString> takeFailedParts() { return std::exchange(failedParts_, {}); }

    // Whether the language is in the list, for writing a row: a language once seen stays known,
    // since nothing removes one from the list. The foreign key refuses a row whose language is not
    // there, should one go behind the program's back.
    bool isListedLanguage(const QString& code) const;

    static constexpr int kDeadlockAttempts = 3;

    enum class InsertOutcome { Inserted, AlreadyStored };
    InsertOutcome insertTranslation(const TranslationRow& row);

    enum class UpdateOutcome { Updated, OriginalMissing, KeyTaken };
    // Finds the row stored under original and replaces all its fields with row's.
    UpdateOutcome updateTranslation(const TranslationKey& original, const TranslationRow& row);

    // False when no row is stored under key.
    bool deleteTranslation(const TranslationKey& key);

    void setVersionStamp(const std::optional<QDateTime>& stamp);

    enum class Lookup { Translation, ProgramRows, ReadAhead };
    // The database's plan for the look-up of findTranslations, forEachProgramRow or readAhead (of two
    // keys), one line per step:
    // SQLite's EXPLAIN QUERY PLAN, or PostgreSQL's EXPLAIN of the generic plan (the one for any key).
    QString lookupPlan(Lookup lookup = Lookup::Translation) const;

private:
    DatabaseLocation location_;
    std::unique_ptr<DatabaseConnection> connection_;
    bool failed_ = false;
    // The group's transaction, after connection_ so that it goes first.
    std::unique_ptr<WriteTransaction> group_;
    int groupParts_ = 0;
    int groupSavepoints_ = 0;
    // Why the group's transaction cannot go on, once a part could not be undone.
    std::optional<QString> groupLost_;
    mutable QSet<QString> listedLanguages_;
    struct DeferredPart {
        quint64 ticket;
        QList<TranslationRow> rows;
        QList<QString> matchKeys; // of the rows, in their order
    };
    QList<DeferredPart> deferred_;
    QSet<QString> deferredKeys_; // the match keys of the deferred rows
    QHash<quint64, QString> failedParts_;
    ReadAheadRows readAhead_;

    const QSqlDatabase& db() const { return connection_->db(); }
    PreparedStatements& statements() const { return connection_->statements(); }
    std::optional<qint64> findRowId(const TranslationKey& key) const;
    void openGroup();
    // Opens the group's transaction if need be and sets a savepoint in it; loses the group when it
    // cannot.
    void savepoint(const QString& name);
    // inPart without counting the part or writing the deferred rows first.
    void runPart(const std::function<void()>& apply);
    // Undoes the part begun last; a failure to loses the group, but throws nothing, so that what
    // made the part fail goes on.
    void undoPart() noexcept;
    // Records why the group's transaction cannot go on, and throws.
    [[noreturn]] void loseGroup(const StorageError& error);
    void flushDeferred();
    void insertTogether(const QList<DeferredPart>& parts);
    void insertAlone(const DeferredPart& part);
};
