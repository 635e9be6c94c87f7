#pragma once

#include "toolkit/AnsiString.h"
#include "toolkit/FieldDefs.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class TClientDataSet;

// The record a field reads and writes: its data set's current record, or the record being
// inserted or edited. The data set provides it; a field knows no more of the data set than this.
class FieldRecord {
public:
    virtual ~FieldRecord() = default;

    virtual const TFieldDef& fieldDef(int index) const = 0;
    // EDatabaseError when the data set is not open.
    virtual QVariant fieldValue(int index) const = 0;
    // EDatabaseError outside Insert/Edit state.
    virtual void requireEditing() const = 0;
    // EDatabaseError outside Insert/Edit state and for a string longer than its field.
    virtual void setFieldValue(int index, const QVariant& value) = 0;
};

// A field object: access to one column of the data set's current record (or of the record
// being inserted or edited). Values are null until set; a null reads as "", 0 or an invalid
// date-time.
class TField {
public:
    TField(TClientDataSet& dataSet, int index);

    const QString& FieldName() const;
    TFieldType DataType() const;
    int Size() const;

    bool IsNull() const;
    void Clear();

    AnsiString AsString() const;
    double AsFloat() const;
    int AsInteger() const;
    QDateTime AsDateTime() const;

    // String values longer than the field's size are refused with EDatabaseError naming the
    // field and its size; nothing is cut silently. Setting a value outside Insert/Edit state
    // raises EDatabaseError too.
    void SetAsString(const AnsiString& value);
    void SetAsFloat(double value);
    void SetAsInteger(int value);
    void SetAsDateTime(const QDateTime& value);

private:
    FieldRecord& record_;
    int index_;
};
