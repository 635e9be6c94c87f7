#pragma once

#include "appserver/object/ServerObject.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A connection's answers that wait for the server's writes to be committed: a write must not be
// answered before it is durable, nor anything after it, which may have read it. They go out in
// the order they were given; when the writes were lost instead, each answer to a call goes out as
// an error with the same id, telling the failure, and error answers go out as they were. So does
// the answer of a call whose ticket the outcome names among the calls that failed on their own.
class AnswersAwaitingCommit {
public:
    bool isEmpty() const { return lines_.isEmpty(); }
    void append(const QByteArray& line, std::optional<quint64> ticket = std::nullopt) {
        lines_.append({line, ticket});
    }

    // The lines to send, in order; afterwards none waits.
    QByteArray release(const ServerObject::WritesOutcome& outcome);

private:
    struct Held {
        QByteArray line;
        std::optional<quint64> ticket;
    };
    QList<Held> lines_;
};
