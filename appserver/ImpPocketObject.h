#pragma once

#include "appserver/ServerObject.h"
#include "appserver/Storage.h"
#include "wire/RemoteMethods.h"

#include <QJsonObject>

// The remote data module rdmImpPocket, registered as "Vdr04000.rdmImpPocket": the capture tool's
// view of the translation table, the language list and the version record. docs/protocol.md
// describes its six methods.
class ImpPocketObject : public ServerObject {
public:
    explicit ImpPocketObject(Storage& storage) : storage_(storage) {}

    QString name() const override { return RemoteMethods::kServerName; }
    QJsonValue call(const QString& method, const QJsonArray& params) override;

private:
    // What a delete of a row that is no longer stored means.
    enum class MissingDelete { Fails, CountsAsApplied };

    QJsonValue dispatch(const QString& method, const QJsonArray& params);

    QJsonObject getIdiLeDfm(const QJsonArray& params);
    QJsonObject getPropried(const QJsonArray& params);
    QJsonObject getVersao(const QJsonArray& params);
    QJsonObject applyTranslationDelta(const QString& method, const QJsonArray& params,
                                      MissingDelete missingDelete);
    QJsonObject applyVersionDelta(const QJsonArray& params);

    TranslationRow rowOf(const QJsonArray& values, const QString& where) const;

    Storage& storage_;
};
