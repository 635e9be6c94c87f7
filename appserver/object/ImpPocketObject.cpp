#include "appserver/object/ImpPocketObject.h"

#include "appserver/object/CallError.h"
#include "appserver/object/DataPacket.h"
#include "appserver/object/Delta.h"
#include "appserver/object/RecordJson.h"
#include "wire/JsonWriter.h"
#include "wire/RemoteMethods.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

void expectArgumentCount(const QString& method, const QJsonArray& params, int count) {
    if (params.size() != count)
        throw CallError(
            CallError::Kind::BadArguments,
            QStringLiteral("%1 takes %2 argument(s), not %3").arg(method).arg(count).arg(params.size()));
}

QStringList stringArguments(const QString& method, const QJsonArray& params, int count) {
    expectArgumentCount(method, params, count);
    QStringList args;
    for (int i = 0; i < params.size(); ++i) {
        if (!params.at(i).isString())
            throw CallError(CallError::Kind::BadArguments,
                            QStringLiteral("argument %1 of %2 must be a string").arg(i + 1).arg(method));
        args.append(params.at(i).toString());
    }
    return args;
}

// Not less than the bytes the text takes in an answer: RapidJSON writes it as UTF-8 (a surrogate
// pair in four bytes, a lone surrogate as U+FFFD in three), escaping quotes and backslashes in two
// bytes and control characters in at most six.
qint64 answerBytes(const QString& text) {
    qint64 bytes = 2; // the quotes
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code < 0x20)
            bytes += 6;
        else if (code == u'"' || code == u'\\')
            bytes += 2;
        else
            bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : 3;
    }
    return bytes;
}

qint64 answerBytes(const TranslationRow& row) {
    constexpr qint64 kNumberAndPunctuation = 64; // a double, nulls, brackets and commas
    qint64 bytes = kNumberAndPunctuation;
    for (const QString* text :
         {&row.program, &row.form, &row.component, &row.property, &row.value, &row.language})
        bytes += answerBytes(*text);
    for (const std::optional<QString>* text : {&row.state, &row.value2, &row.updated})
        bytes += *text ? answerBytes(**text) : 0;
    return bytes;
}

QJsonObject deltaArgument(const QString& method, const QJsonArray& params) {
    expectArgumentCount(method, params, 1);
    if (!params.at(0).isObject())
        throw CallError(CallError::Kind::BadArguments,
                        QStringLiteral("the argument of %1 must be a delta object").arg(method));
    return params.at(0).toObject();
}

} // namespace

void ImpPocketObject::call(const QString& method, const QJsonArray& params, JsonWriter& result) {
    storage_.recoverConnection();
    try {
        dispatch(method, params, result);
    } catch (const StorageError& error) {
        storage_.noteFailure();
        throw CallError(CallError::Kind::DatabaseFailed, error.message());
    }
}

void ImpPocketObject::dispatch(const QString& method, const QJsonArray& params, JsonWriter& out) {
    if (method == RemoteMethods::kGetIdiLeDfm)
        return getIdiLeDfm(params, out);
    if (method == RemoteMethods::kGetPropried)
        return getPropried(params, out);
    if (method == RemoteMethods::kGetVersao)
        return getVersao(params, out);
    if (method == RemoteMethods::kGetProgramRows)
        return getProgramRows(params, out);
    std::optional<QString> refusal;
    const Layout* layout = &Layouts::translationRow();
    if (method == RemoteMethods::kSetPropried) {
        refusal = applyTranslationDelta(method, params, MissingDelete::Fails);
    } else if (method == RemoteMethods::kSetVerProp) {
        refusal = applyTranslationDelta(method, params, MissingDelete::CountsAsApplied);
    } else if (method == RemoteMethods::kSetVersao) {
        refusal = applyVersionDelta(params);
        layout = &Layouts::versionRecord();
    } else {
        throw CallError(CallError::Kind::UnknownMethod,
                        QStringLiteral("%1 has no method %2").arg(name(), method));
    }
    // An applied delta answers with an empty packet of its layout.
    if (refusal)
        writeFailure(out, *refusal);
    else
        writeSuccess(out, *layout);
}

void ImpPocketObject::getIdiLeDfm(const QJsonArray& params, JsonWriter& out) {
    expectArgumentCount(RemoteMethods::kGetIdiLeDfm, params, 0);
    // One more than answered is read, to tell a list that is too long without reading all of it.
    const QList<LanguageEntry> entries = storage_.languages(kMaxLanguages + 1);
    if (entries.size() > kMaxLanguages)
        throw CallError(CallError::Kind::AnswerTooLarge,
                        QStringLiteral("the language list holds more than %1 entries, more than %2 answers")
                            .arg(kMaxLanguages)
                            .arg(RemoteMethods::kGetIdiLeDfm));
    writeSuccess(out, Layouts::languageEntry(), [&entries](JsonWriter& rows) {
        for (const LanguageEntry& entry : entries)
            writeRow(rows, entry);
    });
}

TranslationKey ImpPocketObject::lookupKey(const QJsonArray& params) {
    const QString method = RemoteMethods::kGetPropried;
    const QStringList args = stringArguments(method, params, 7);
    bool isNumber = false;
    const double number = args.at(4).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        throw CallError(CallError::Kind::BadArguments,
                        QStringLiteral("argument 5 of %1 must be a number written as text, not \"%2\"")
                            .arg(method, args.at(4)));
    return TranslationKey::forLookup(args.at(0), args.at(1), args.at(2), args.at(3), number, args.at(5),
                                     args.at(6));
}

void ImpPocketObject::readAhead(const QList<Call>& calls) {
    if (!storage_.batchesStatements())
        return;
    QList<TranslationKey> keys;
    for (const Call& call : calls) {
        if (call.method != RemoteMethods::kGetPropried)
            continue;
        try {
            keys.append(lookupKey(call.params));
        } catch (const CallError&) {
            // its own call will refuse it
        }
    }
    try {
        storage_.readAhead(keys);
    } catch (const StorageError&) {
        // Each look-up then reads for itself, and meets the failure should it last.
    }
}

void ImpPocketObject::getPropried(const QJsonArray& params, JsonWriter& out) {
    const QList<TranslationRow> found = storage_.findTranslations(lookupKey(params));
    writeSuccess(out, Layouts::translationRow(), [&found](JsonWriter& rows) {
        for (const TranslationRow& row : found)
            writeRow(rows, row);
    });
}

void ImpPocketObject::getVersao(const QJsonArray& params, JsonWriter& out) {
    expectArgumentCount(RemoteMethods::kGetVersao, params, 0);
    const QJsonValue stamp = dateTimeToJson(storage_.versionStamp());
    writeSuccess(out, Layouts::versionRecord(), [&stamp](JsonWriter& rows) {
        rows.startArray();
        rows.value(stamp);
        rows.endArray();
    });
}

void ImpPocketObject::getProgramRows(const QJsonArray& params, JsonWriter& out) {
    const QString method = RemoteMethods::kGetProgramRows;
    const QStringList args = stringArguments(method, params, 3);
    // The cursor is the ID the page before stopped after, as this method wrote it; the first page
    // comes after every ID.
    qint64 after = std::numeric_limits<qint64>::min();
    if (!args.at(2).isEmpty()) {
        bool isNumber = false;
        after = args.at(2).toLongLong(&isNumber);
        if (!isNumber || QString::number(after) != args.at(2))
            throw CallError(
                CallError::Kind::BadArguments,
                QStringLiteral("argument 3 of %1 is not a cursor: \"\" or one a page gave").arg(method));
    }
    std::optional<qint64> next;
    writeSuccess(
        out, Layouts::translationRow(),
        [&](JsonWriter& rows) {
            qint64 bytes = 0;
            next = storage_.forEachProgramRow(
                args.at(0), args.at(1), after, kMaxPageRows, [&](const TranslationRow& row) {
                    const qint64 size = answerBytes(row);
                    if (bytes > 0 && bytes + size > kMaxPageBytes)
                        return false; // left for the next page; the first row always goes
                    bytes += size;
                    writeRow(rows, row);
                    return true;
                });
        },
        [&next] {
            return QJsonObject{{QStringLiteral("2"), next ? QString::number(*next) : QString()}};
        });
}

TranslationRow ImpPocketObject::rowOf(const QJsonArray& values, const QString& where) const {
    QString whyNot;
    const std::optional<TranslationRow> row = translationRowFromJson(values, &whyNot);
    if (!row)
        throw DeltaError(QStringLiteral("%1: %2").arg(where, whyNot));
    return *row;
}

std::optional<QString> ImpPocketObject::applyTranslationDelta(const QString& method, const QJsonArray& params,
                                                              MissingDelete missingDelete) {
    const QJsonObject delta = deltaArgument(method, params);
    try {
        const QList<DeltaChange> changes = readDelta(delta, Layouts::translationRow());
        const bool insertsOnly = !changes.isEmpty() &&
                                 std::all_of(changes.cbegin(), changes.cend(), [](const DeltaChange& change) {
                                     return change.op == DeltaChange::Op::Insert;
                                 });
        if (insertsOnly && storage_.batchesStatements())
            deferTranslationInserts(changes);
        else
            storage_.inPart([&] { applyTranslationChanges(changes, missingDelete); });
    } catch (const DeltaError& error) {
        return error.message();
    }
    return std::nullopt;
}

TranslationRow ImpPocketObject::rowToWrite(const DeltaChange& change, const QString& where) const {
    TranslationRow row = rowOf(change.values, where);
    if (!storage_.isListedLanguage(row.language))
        throw DeltaError(
            QStringLiteral("%1: IDIDIOMA \"%2\" is not in the language list").arg(where, row.language));
    return row;
}

void ImpPocketObject::deferTranslationInserts(const QList<DeltaChange>& changes) {
    QList<TranslationRow> rows;
    rows.reserve(changes.size());
    for (int i = 0; i < changes.size(); ++i)
        rows.append(rowToWrite(changes.at(i), describeChange(i, changes.at(i).op)));
    callTicket_ = nextTicket();
    storage_.deferInserts(*callTicket_, rows);
}

void ImpPocketObject::applyTranslationChanges(const QList<DeltaChange>& changes,
                                              MissingDelete missingDelete) {
    for (int i = 0; i < changes.size(); ++i) {
        const DeltaChange& change = changes.at(i);
        const QString where = describeChange(i, change.op);
        if (change.op != DeltaChange::Op::Delete) {
            const TranslationRow row = rowToWrite(change, where);
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
}

std::optional<QString> ImpPocketObject::applyVersionDelta(const QJsonArray& params) {
    const QJsonObject delta = deltaArgument(RemoteMethods::kSetVersao, params);
    try {
        const QList<DeltaChange> changes = readDelta(delta, Layouts::versionRecord());
        storage_.inPart([&] {
            for (const DeltaChange& change : changes) {
                // There is exactly one version row: an insert or update stamps it, a delete clears
                // the stamp, since GetVersao must always have a row to hand out.
                if (change.op == DeltaChange::Op::Delete || change.values.at(0).isNull())
                    storage_.setVersionStamp(std::nullopt);
                else
                    storage_.setVersionStamp(parseDateTime(change.values.at(0).toString()));
            }
        });
    } catch (const DeltaError& error) {
        return error.message();
    }
    return std::nullopt;
}

bool ImpPocketObject::writesFull() const {
    return storage_.groupParts() >= kMaxGroupParts || storage_.groupSavepoints() >= kMaxGroupSavepoints;
}

int ImpPocketObject::pendingWrites() const {
    return storage_.groupParts();
}

ServerObject::WritesOutcome ImpPocketObject::finishWrites() {
    try {
        storage_.commitGroup();
    } catch (const StorageError& error) {
        storage_.noteFailure();
        storage_.takeFailedParts();
        return {error.message(), {}};
    }
    return {std::nullopt, storage_.takeFailedParts()};
}
