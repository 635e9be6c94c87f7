#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A connection's answers that wait for the server's writes to be committed: a write must not be
// answered before it is durable, nor anything after it, which may have read it. They go out in
// the order they were given; when the writes were lost instead, each answer to a call goes out as
// an error with the same id, telling the failure, and error answers go out as they were.
class AnswersAwaitingCommit {
public:
    bool isEmpty() const { return lines_.isEmpty(); }
    void append(const QByteArray& line) { lines_.append(line); }

    // The lines to send, in order; afterwards none waits.
    QByteArray release(const std::optional<QString>& failure);

private:
    QList<QByteArray> lines_;
};
