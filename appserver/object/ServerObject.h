#pragma once

#include <QHash>
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
    // True once the pending writes are as many as one commit is to hold.
    virtual bool writesFull() const { return false; }

    struct WritesOutcome {
        // Why the pending writes were lost, when they were: every answer that waited for them must
        // then tell the failure.
        std::optional<QString> lost;
        // Calls answered as applied whose writes failed on their own once carried out, by ticket:
        // their answers must tell the failure instead.
        QHash<quint64, QString> failedCalls;
    };
    // Makes the pending writes durable, all in one commit.
    virtual WritesOutcome finishWrites() { return {}; }
    struct Call {
        QString method;
        QJsonArray params;
    };
    // Calls that follow in the order they will come, each not yet checked: the object may read
    // now, in one go, what they will read. What it reads stands for what they would, so it must
    // not outlive a write that may change it.
    virtual void readAhead(const QList<Call>& calls) { Q_UNUSED(calls); }

    // A call whose writes are carried out only by finishWrites gets a ticket, which its answer is
    // to keep: the outcome names it should those writes fail. Taken once, after the call.
    virtual std::optional<quint64> takeCallTicket() { return std::nullopt; }

protected:
    // Unique among all the server's objects.
    static quint64 nextTicket() {
        static quint64 last = 0;
        return ++last;
    }
};
