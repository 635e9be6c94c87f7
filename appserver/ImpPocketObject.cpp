#include "appserver/ImpPocketObject.h"

#include "appserver/DataPacket.h"
#include "appserver/Delta.h"
#include "appserver/RpcError.h"
#include "wire/RemoteMethods.h"

#include <cmath>

namespace {

QJsonObject success(const QJsonObject& packet) {
    return QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("data"), packet}};
}

QJsonObject failure(const QString& message) {
    return QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("message"), message}};
}

void expectArgumentCount(const QString& method, const QJsonArray& params, int count) {
    if (params.size() != count)
        throw RpcError(
            RpcCode::InvalidParams,
            QStringLiteral("%1 takes %2 argument(s), not %3").arg(method).arg(count).arg(params.size()));
}

QJsonObject deltaArgument(const QString& method, const QJsonArray& params) {
    expectArgumentCount(method, params, 1);
    if (!params.at(0).isObject())
        throw RpcError(RpcCode::InvalidParams,
                       QStringLiteral("the argument of %1 must be a delta object").arg(method));
    return params.at(0).toObject();
}

} // namespace

QJsonValue ImpPocketObject::call(const QString& method, const QJsonArray& params) {
    storage_.recoverConnection();
    try {
        return dispatch(method, params);
    } catch (const StorageError&) {
        storage_.noteFailure();
        throw;
    }
}

QJsonValue ImpPocketObject::dispatch(const QString& method, const QJsonArray& params) {
    if (method == RemoteMethods::kGetIdiLeDfm)
        return getIdiLeDfm(params);
    if (method == RemoteMethods::kGetPropried)
        return getPropried(params);
    if (method == RemoteMethods::kGetVersao)
        return getVersao(params);
    if (method == RemoteMethods::kSetPropried)
        return applyTranslationDelta(method, params, MissingDelete::Fails);
    if (method == RemoteMethods::kSetVerProp)
        return applyTranslationDelta(method, params, MissingDelete::CountsAsApplied);
    if (method == RemoteMethods::kSetVersao)
        return applyVersionDelta(params);
    throw RpcError(RpcCode::MethodNotFound, QStringLiteral("%1 has no method %2").arg(name(), method));
}

QJsonObject ImpPocketObject::getIdiLeDfm(const QJsonArray& params) {
    expectArgumentCount(RemoteMethods::kGetIdiLeDfm, params, 0);
    QList<QJsonArray> rows;
    for (const LanguageEntry& entry : storage_.languages())
        rows.append(toJsonRow(entry));
    return success(makePacket(Layouts::languageEntry(), rows));
}

QJsonObject ImpPocketObject::getPropried(const QJsonArray& params) {
    const QString method = RemoteMethods::kGetPropried;
    expectArgumentCount(method, params, 7);
    QStringList args;
    for (int i = 0; i < params.size(); ++i) {
        if (!params.at(i).isString())
            throw RpcError(RpcCode::InvalidParams,
                           QStringLiteral("argument %1 of %2 must be a string").arg(i + 1).arg(method));
        args.append(params.at(i).toString());
    }
    bool isNumber = false;
    const double number = args.at(4).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        throw RpcError(RpcCode::InvalidParams,
                       QStringLiteral("argument 5 of %1 must be a number written as text, not \"%2\"")
                           .arg(method, args.at(4)));

    const TranslationKey key = TranslationKey::forLookup(args.at(0), args.at(1), args.at(2), args.at(3),
                                                         number, args.at(5), args.at(6));
    QList<QJsonArray> rows;
    for (const TranslationRow& row : storage_.findTranslations(key))
        rows.append(toJsonRow(row));
    return success(makePacket(Layouts::translationRow(), rows));
}

QJsonObject ImpPocketObject::getVersao(const QJsonArray& params) {
    expectArgumentCount(RemoteMethods::kGetVersao, params, 0);
    return success(
        makePacket(Layouts::versionRecord(), {QJsonArray{dateTimeToJson(storage_.versionStamp())}}));
}

TranslationRow ImpPocketObject::rowOf(const QJsonArray& values, const QString& where) const {
    QString whyNot;
    const std::optional<TranslationRow> row = translationRowFromJson(values, &whyNot);
    if (!row)
        throw DeltaError(QStringLiteral("%1: %2").arg(where, whyNot));
    return *row;
}

QJsonObject ImpPocketObject::applyTranslationDelta(const QString& method, const QJsonArray& params,
                                                   MissingDelete missingDelete) {
    const QJsonObject delta = deltaArgument(method, params);
    try {
        const QList<DeltaChange> changes = readDelta(delta, Layouts::translationRow());
        Storage::Transaction transaction(storage_);
        for (int i = 0; i < changes.size(); ++i) {
            const DeltaChange& change = changes.at(i);
            const QString where = describeChange(i, change.op);
            if (change.op != DeltaChange::Op::Delete) {
                const TranslationRow row = rowOf(change.values, where);
                if (!storage_.hasLanguage(row.language))
                    throw DeltaError(QStringLiteral("%1: IDIDIOMA \"%2\" is not in the language list")
                                         .arg(where, row.language));
                if (change.op == DeltaChange::Op::Insert) {
                    storage_.insertTranslation(row); // already stored counts as applied
                    continue;
                }
                const TranslationKey original = TranslationKey::ofRow(rowOf(change.original, where));
                switch (storage_.updateTranslation(original, row)) {
                case Storage::UpdateOutcome::Updated:
                    break;
                case Storage::UpdateOutcome::OriginalMissing:
                    throw DeltaError(QStringLiteral("%1: the row to change is not stored").arg(where));
                case Storage::UpdateOutcome::KeyTaken:
                    throw DeltaError(
                        QStringLiteral("%1: another stored row already has the changed key").arg(where));
                }
                continue;
            }
            const TranslationKey original = TranslationKey::ofRow(rowOf(change.original, where));
            if (!storage_.deleteTranslation(original) && missingDelete == MissingDelete::Fails)
                throw DeltaError(QStringLiteral("%1: the row to delete is not stored").arg(where));
        }
        transaction.commit();
    } catch (const DeltaError& error) {
        return failure(error.message());
    }
    return success(makePacket(Layouts::translationRow()));
}

QJsonObject ImpPocketObject::applyVersionDelta(const QJsonArray& params) {
    const QJsonObject delta = deltaArgument(RemoteMethods::kSetVersao, params);
    try {
        const QList<DeltaChange> changes = readDelta(delta, Layouts::versionRecord());
        Storage::Transaction transaction(storage_);
        for (const DeltaChange& change : changes) {
            // There is exactly one version row: an insert or update stamps it, a delete clears the
            // stamp, since GetVersao must always have a row to hand out.
            if (change.op == DeltaChange::Op::Delete || change.values.at(0).isNull())
                storage_.setVersionStamp(std::nullopt);
            else
                storage_.setVersionStamp(parseDateTime(change.values.at(0).toString()));
        }
        transaction.commit();
    } catch (const DeltaError& error) {
        return failure(error.message());
    }
    return success(makePacket(Layouts::versionRecord()));
}
