#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// A request line read once, by RapidJSON rather than Qt's parser, which would store a lone
// surrogate escape paired with whatever follows it and turn a large numeric id into a double. The
// value is built as Qt JSON for the dispatcher and the server objects.
class RequestText {
public:
    // Deeper nesting is refused, so that no line can make a value too deep to take apart.
    static constexpr int kMaxDepth = 1024;

    explicit RequestText(const QByteArray& line);

    // False when the line is not JSON, holds a string that is not valid Unicode or a number no
    // double holds, or nests deeper than kMaxDepth.
    bool valid() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    qsizetype errorOffset() const { return errorOffset_; }

    // The line's value; undefined when it is not valid.
    const QJsonValue& value() const { return value_; }
    // The top-level "id" member's number as written, for an answer to echo; empty when the id
    // is missing or not a number.
    QByteArray numericId() const { return numericId_; }

private:
    QJsonValue value_;
    QString error_;
    qsizetype errorOffset_ = 0;
    QByteArray numericId_;
};
