#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Date-times travel as local ISO 8601 date-times with milliseconds and no zone designator,
// "2026-12-07T08:01:44.123": the module and the server keep their clocks' local time.
namespace DateTimeText {

// The value in local time, whatever its own zone.
QString format(const QDateTime& value);

// Text of the form format writes, the milliseconds optional, as a local date-time; none of the
// other forms parseIso takes, no zone, no 24:00, no digits outside ASCII.
std::optional<QDateTime> parse(const QString& text);

// Any local ISO 8601 date-time Qt reads: also a date alone, no seconds, any number of digits
// after the seconds' point or comma, a space for the 'T', 24:00 as the next day's midnight. The
// server reads what it stores and what clients send it this way. Text with a zone is refused:
// it would make the local time ambiguous.
std::optional<QDateTime> parseIso(const QString& text);

} // namespace DateTimeText
