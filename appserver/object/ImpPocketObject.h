#pragma once

#include "appserver/object/Delta.h"
#include "appserver/object/ServerObject.h"
#include "appserver/storage/Storage.h"
#include "wire/RemoteMethods.h"

#include <QJsonObject>

#include <optional>
#include <utility>

// The remote data module rdmImpPocket, registered as "Vdr04000.rdmImpPocket": the capture tool's
// view of the translation table, the language list and the version record. docs/protocol.md
// describes its methods: the module's six and GetProgramRows.
class ImpPocketObject : public ServerObject {
public:
    // A page of GetProgramRows ends before the row that would take it past either limit, so that an
    // answer stays well within the server's output limit whatever the values (a row takes at most
    // about 50 KB of it), and the server holds no more than a page for it. The bytes are what a
    // client that does not read costs: besides its queued answers, the page being sent, and over
    // TLS the same again encrypted (1 MiB: 20 such clients over TLS take the server from 50 to
    // about 175 MB; 4 MiB took it to 370).
    static constexpr int kMaxPageRows = 5000;
    static constexpr qint64 kMaxPageBytes = 1024 * 1024;
    // GetIdiLeDfm answers the whole list, which never pages: up to this many entries (of at most
    // 36 characters, a few hundred KB), and refuses a longer one unread.
    static constexpr int kMaxLanguages = 1000;

    explicit ImpPocketObject(Storage& storage) : storage_(storage) {}

    // Deltas share the storage's group (see Storage::inPart), each a part of its own, or deferred.
    // Deltas one commit holds at most, and of them in savepoints: PostgreSQL keeps the savepoints
    // of 64 in each session's own memory, and more would slow every session's snapshots. Deferred
    // inserts take none.
    static constexpr int kMaxGroupParts = 128;
    static constexpr int kMaxGroupSavepoints = 48;

    QString name() const override { return RemoteMethods::kServerName; }
    void call(const QString& method, const QJsonArray& params, JsonWriter& result) override;
    void readAhead(const QList<Call>& calls) override;
    int pendingWrites() const override;
    bool writesFull() const override;
    WritesOutcome finishWrites() override;
    std::optional<quint64> takeCallTicket() override { return std::exchange(callTicket_, std::nullopt); }

private:
    // What a delete of a row that is no longer stored means.
    enum class MissingDelete { Fails, CountsAsApplied };

    void dispatch(const QString& method, const QJsonArray& params, JsonWriter& out);

    void getIdiLeDfm(const QJsonArray& params, JsonWriter& out);
    void getPropried(const QJsonArray& params, JsonWriter& out);
    // The key GetPropried looks up; CallError when the arguments do not fit.
    static TranslationKey lookupKey(const QJsonArray& params);
    void getVersao(const QJsonArray& params, JsonWriter& out);
    void getProgramRows(const QJsonArray& params, JsonWriter& out);
    // The refusal's message when the delta is not applied.
    std::optional<QString> applyTranslationDelta(const QString& method, const QJsonArray& params,
                                                 MissingDelete missingDelete);
    std::optional<QString> applyVersionDelta(const QJsonArray& params);
    // Throws DeltaError when a change does not fit; the group part then undoes every change.
    void applyTranslationChanges(const QList<DeltaChange>& changes, MissingDelete missingDelete);
    // Checks a delta of inserts only as applyTranslationChanges does and leaves its rows to the
    // storage's deferred inserts, under a ticket for the call.
    void deferTranslationInserts(const QList<DeltaChange>& changes);
    // The row an insert or an update writes; DeltaError when it does not fit.
    TranslationRow rowToWrite(const DeltaChange& change, const QString& where) const;

    TranslationRow rowOf(const QJsonArray& values, const QString& where) const;

    Storage& storage_;
    std::optional<quint64> callTicket_;
};
