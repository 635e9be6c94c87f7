#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

// A server object that clients open by name and whose methods they call by name with positional
// arguments.
class ServerObject {
public:
    virtual ~ServerObject() = default;

    virtual QString name() const = 0;

    // The method's result. Throws RpcError for an unknown method (MethodNotFound) or unfit
    // arguments (InvalidParams); other exceptions mean the object failed (InternalError).
    virtual QJsonValue call(const QString& method, const QJsonArray& params) = 0;
};
