#pragma once

#include "appserver/ServerObject.h"
#include "appserver/Storage.h"
#include "wire/RemoteMethods.h"

#include <QJsonObject>

#include <optional>

// The remote data module rdmImpPocket, registered as "Vdr04000.rdmImpPocket": the capture tool's
// view of the translation table, the language list and the version record. docs/protocol.md
// describes its methods: the module's six and GetFormRows.
class ImpPocketObject : public ServerObject {
public:
    // GetFormRows refuses a form with more rows, or whose rows take more room in the answer, rather
    // than cut it short: the capture would take the rows left out for captions gone from the form.
    // The room keeps an answer well within the 64 MiB a client reads, which 10,000 rows of two
    // 4,000-character values each would not be.
    static constexpr int kMaxFormRows = 10000;
    static constexpr qint64 kMaxFormRowsBytes = 16 * 1024 * 1024;

    explicit ImpPocketObject(Storage& storage) : storage_(storage) {}

    QString name() const override { return RemoteMethods::kServerName; }
    void call(const QString& method, const QJsonArray& params, JsonWriter& result) override;

private:
    // What a delete of a row that is no longer stored means.
    enum class MissingDelete { Fails, CountsAsApplied };

    void dispatch(const QString& method, const QJsonArray& params, JsonWriter& out);

    void getIdiLeDfm(const QJsonArray& params, JsonWriter& out);
    void getPropried(const QJsonArray& params, JsonWriter& out);
    void getVersao(const QJsonArray& params, JsonWriter& out);
    void getFormRows(const QJsonArray& params, JsonWriter& out);
    // The refusal's message when the delta is not applied.
    std::optional<QString> applyTranslationDelta(const QString& method, const QJsonArray& params,
                                                 MissingDelete missingDelete);
    std::optional<QString> applyVersionDelta(const QJsonArray& params);

    TranslationRow rowOf(const QJsonArray& values, const QString& where) const;

    Storage& storage_;
};
