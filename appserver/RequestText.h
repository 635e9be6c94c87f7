#pragma once

#include <QByteArray>
#include <QString>

// What Qt's JSON parser loses from a request line, read before it: strings that are not valid
// Unicode (Qt pairs a lone surrogate escape with whatever follows it, and stores that) and the
// exact text of a numeric id (Qt turns every number into a double, so a large id would come back
// changed).
class RequestText {
public:
    explicit RequestText(const QByteArray& line);

    // False when the line is not JSON or holds a string that is not valid Unicode.
    bool valid() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    qsizetype errorOffset() const { return errorOffset_; }

    // The top-level "id" member's number as written, for an answer to echo; empty when the id
    // is missing or not a number.
    QByteArray numericId() const { return numericId_; }

private:
    QString error_;
    qsizetype errorOffset_ = 0;
    QByteArray numericId_;
};
