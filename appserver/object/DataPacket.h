#pragma once

#include "wire/FieldLayout.h"
#include "wire/RecordLayouts.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class JsonWriter;

// Data packets as docs/protocol.md describes them, on the record layouts of wire/.

// A method's successful result, {"ok": true, "data": packet}, the packet's rows written by
// writeRows (none when it is empty). refs, when given, is asked once the rows are written (they may
// decide it) for the new values of by-reference arguments, keyed by position: {"2": "..."}.
void writeSuccess(JsonWriter& out, const Layout& layout,
                  const std::function<void(JsonWriter&)>& writeRows = {},
                  const std::function<QJsonObject()>& refs = {});
// A method's refusal: {"ok": false, "message": message}.
void writeFailure(JsonWriter& out, const QString& message);

// Who reads checkValue's answer: a client, in an error answer, gets the protocol's English; a
// person at a terminal gets it in their language.
enum class MessageReader { Client, Person };

// Why the value does not fit the field, or an empty string when it does. A string's size counts
// characters as the module does: code points, not UTF-16 units.
QString checkValue(const FieldDef& field, const QJsonValue& value,
                   MessageReader reader = MessageReader::Client);

// Date-times travel and are stored as DateTimeText::format writes them; the server reads them as
// DateTimeText::parseIso does, which takes more forms than the module reads.
QString formatDateTime(const QDateTime& value);
std::optional<QDateTime> parseDateTime(const QString& text);
QJsonValue dateTimeToJson(const std::optional<QDateTime>& value);
