#pragma once

#include <QJsonArray>
#include <QString>

#include <optional>

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

    // Writes of calls that have been answered but are not yet durable. Until finishWrites, those
    // answers, and any given after them (which may have read the writes), must wait.
    virtual int pendingWrites() const { return 0; }
    // Makes the pending writes durable, all in one commit. The reason when they were lost instead:
    // every answer that waited for them must then tell the failure.
    virtual std::optional<QString> finishWrites() { return std::nullopt; }
};
