#pragma once

#include "toolkit/AnsiString.h"
#include "toolkit/FieldDefs.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QVariant>

// The forms a data set value takes outside the data set: JSON in packets and deltas (see
// docs/protocol.md) and text for TField's string access. Inside, a value is a QVariant holding
// nothing (null), an AnsiString, a double or a local QDateTime, by the field's kind.
namespace DataPacket {

using Row = QList<QVariant>;

// Failures are thrown as EDatabaseError / EConvertError naming the field; the data set adds its
// own name in front.

QList<TFieldDef> fieldsFromJson(const QJsonValue& fields);
// Where defs has the field named name, ignoring case as field names do; -1 when it has none.
qsizetype indexOfField(const QList<TFieldDef>& defs, const QString& name);

// Refuses json that is not of the field's kind (null is of every kind), before any conversion.
void checkKind(const QJsonValue& json, const TFieldDef& def);
QVariant valueFromJson(const QJsonValue& json, const TFieldDef& def);
QJsonArray rowToJson(const Row& row, const QList<TFieldDef>& defs);

// Strings longer than their field are refused rather than cut.
void checkLength(const TFieldDef& def, const AnsiString& value);

// Integral values print without a fraction ("0", "42"), others with up to 15 significant digits.
AnsiString numberToText(double value);
// Throws EConvertError naming what when text (blanks around it allowed) is not a finite number.
double numberFromText(const AnsiString& text, const QString& what);

} // namespace DataPacket
