#include "toolkit/Field.h"

#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "wire/DateTimeText.h"

#include <QCoreApplication>

#include <climits>
#include <cmath>
#include <optional>

// The constructor is the data set's: only it knows which FieldRecord its fields read.

const QString& TField::FieldName() const {
    return record_.fieldDef(index_).name;
}

TFieldType TField::DataType() const {
    return record_.fieldDef(index_).kind;
}

int TField::Size() const {
    return record_.fieldDef(index_).size;
}

bool TField::IsNull() const {
    return record_.fieldValue(index_).isNull();
}

void TField::Clear() {
    record_.setFieldValue(index_, QVariant());
}

AnsiString TField::AsString() const {
    const QVariant value = record_.fieldValue(index_);
    if (value.isNull())
        return {};
    switch (DataType()) {
    case TFieldType::String:
        return value.toByteArray();
    case TFieldType::Number:
        return DataPacket::numberToText(value.toDouble());
    case TFieldType::DateTime:
        return DateTimeText::format(value.toDateTime()).toLatin1();
    }
    return {};
}

double TField::AsFloat() const {
    const QVariant value = record_.fieldValue(index_);
    if (value.isNull())
        return 0;
    switch (DataType()) {
    case TFieldType::Number:
        return value.toDouble();
    case TFieldType::String: {
        const AnsiString text = Ansi::Trim(value.toByteArray());
        return text.isEmpty()
                   ? 0
                   : DataPacket::numberFromText(
                         text, QCoreApplication::translate("TField", "Value of field %1").arg(FieldName()));
    }
    case TFieldType::DateTime:
        break;
    }
    throw EConvertError(QCoreApplication::translate("TField", "Date-time field %1 cannot be read as a number")
                            .arg(FieldName()));
}

int TField::AsInteger() const {
    if (DataType() == TFieldType::String) {
        const AnsiString text = Ansi::Trim(AsString());
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            throw EConvertError(
                QCoreApplication::translate("TField", "Value of field %1 \"%2\" is not an integer")
                    .arg(FieldName(), Ansi::toUnicode(text)));
        return value;
    }
    const double value = std::round(AsFloat());
    if (value < INT_MIN || value > INT_MAX)
        throw EConvertError(
            QCoreApplication::translate("TField", "Value of field %1 is out of the integer range")
                .arg(FieldName()));
    return static_cast<int>(value);
}

QDateTime TField::AsDateTime() const {
    const QVariant value = record_.fieldValue(index_);
    if (value.isNull())
        return {};
    switch (DataType()) {
    case TFieldType::DateTime:
        return value.toDateTime();
    case TFieldType::String: {
        const AnsiString text = Ansi::Trim(value.toByteArray());
        if (text.isEmpty())
            return {};
        const std::optional<QDateTime> parsed = DateTimeText::parse(QString::fromLatin1(text));
        if (!parsed)
            throw EConvertError(
                QCoreApplication::translate("TField", "Value of field %1 \"%2\" is not a date-time")
                    .arg(FieldName(), Ansi::toUnicode(text)));
        return *parsed;
    }
    case TFieldType::Number:
        break;
    }
    throw EConvertError(QCoreApplication::translate("TField", "Number field %1 cannot be read as a date-time")
                            .arg(FieldName()));
}

void TField::SetAsString(const AnsiString& value) {
    record_.requireEditing();
    const AnsiString text = Ansi::Trim(value);
    switch (DataType()) {
    case TFieldType::String:
        record_.setFieldValue(index_, value);
        return;
    case TFieldType::Number:
        record_.setFieldValue(
            index_,
            text.isEmpty()
                ? QVariant()
                : QVariant(DataPacket::numberFromText(
                      text, QCoreApplication::translate("TField", "Value for field %1").arg(FieldName()))));
        return;
    case TFieldType::DateTime: {
        if (text.isEmpty()) {
            record_.setFieldValue(index_, QVariant());
            return;
        }
        const std::optional<QDateTime> parsed = DateTimeText::parse(QString::fromLatin1(text));
        if (!parsed)
            throw EConvertError(
                QCoreApplication::translate("TField", "Value for field %1 \"%2\" is not a date-time")
                    .arg(FieldName(), Ansi::toUnicode(text)));
        record_.setFieldValue(index_, *parsed);
        return;
    }
    }
}

void TField::SetAsFloat(double value) {
    record_.requireEditing();
    if (!std::isfinite(value))
        throw EConvertError(
            QCoreApplication::translate("TField", "Field %1 cannot hold %2").arg(FieldName()).arg(value));
    switch (DataType()) {
    case TFieldType::Number:
        record_.setFieldValue(index_, value);
        return;
    case TFieldType::String:
        record_.setFieldValue(index_, DataPacket::numberToText(value));
        return;
    case TFieldType::DateTime:
        break;
    }
    throw EConvertError(
        QCoreApplication::translate("TField", "Date-time field %1 cannot take a number").arg(FieldName()));
}

void TField::SetAsInteger(int value) {
    SetAsFloat(value);
}

void TField::SetAsDateTime(const QDateTime& value) {
    record_.requireEditing();
    switch (DataType()) {
    case TFieldType::DateTime:
        record_.setFieldValue(index_, value.isValid() ? QVariant(value.toLocalTime()) : QVariant());
        return;
    case TFieldType::String:
        record_.setFieldValue(index_, value.isValid() ? QVariant(DateTimeText::format(value).toLatin1())
                                                      : QVariant());
        return;
    case TFieldType::Number:
        break;
    }
    throw EConvertError(
        QCoreApplication::translate("TField", "Number field %1 cannot take a date-time").arg(FieldName()));
}
