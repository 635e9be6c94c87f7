#pragma once

#include <QJsonArray>
#include <QString>

class JsonWriter;

// A server object that clients open by name and whose methods they call by name with positional
// arguments.
class ServerObject {
public:
    virtual ~ServerObject() = default;

    virtual QString name() const = 0;

    // Writes the method's result to result, as one JSON value. Throws CallError for an unknown
    // method, unfit arguments or a failed database; other exceptions mean the object failed. What
    // it wrote before throwing is dropped.
    virtual void call(const QString& method, const QJsonArray& params, JsonWriter& result) = 0;
};
