#pragma once

#include "toolkit/ObjectResource.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <bit>
#include <cstring>

// Writes binary form streams byte by byte, so tests state exactly what the converter sees.
class FormStreamBuilder {
public:
    enum Flag : quint8 { Inherited = 1, ChildPos = 2, Inline = 4 };

    FormStreamBuilder& signature() { return raw("TPF0"); }

    FormStreamBuilder& object(const QByteArray& className, const QByteArray& name) {
        return shortString(className).shortString(name);
    }
    // The 0xF0 prefix with flags; a child position is written as an 8-bit integer value.
    FormStreamBuilder& object(const QByteArray& className, const QByteArray& name, quint8 flags,
                              qint8 position = 0) {
        byte(0xF0 | flags);
        if (flags & ChildPos)
            int8(position);
        return object(className, name);
    }
    FormStreamBuilder& property(const QByteArray& name) { return shortString(name); }
    // Ends a property list, a child list, a list, a set or a collection.
    FormStreamBuilder& end() { return byte(0); }

    FormStreamBuilder& list() { return byte(1); }
    FormStreamBuilder& int8(qint8 v) { return byte(2).byte(static_cast<quint8>(v)); }
    FormStreamBuilder& int16(qint16 v) { return byte(3).le(v); }
    FormStreamBuilder& int32(qint32 v) { return byte(4).le(v); }
    FormStreamBuilder& extended(const QByteArray& tenBytes) { return byte(5).raw(tenBytes); }
    FormStreamBuilder& string(const QByteArray& s) { return byte(6).shortString(s); }
    FormStreamBuilder& ident(const QByteArray& s) { return byte(7).shortString(s); }
    FormStreamBuilder& boolean(bool v) { return byte(v ? 9 : 8); }
    FormStreamBuilder& binary(const QByteArray& data) {
        return byte(10).le(static_cast<quint32>(data.size())).raw(data);
    }
    FormStreamBuilder& set(const QList<QByteArray>& elements) {
        byte(11);
        for (const QByteArray& element : elements)
            shortString(element);
        return end();
    }
    FormStreamBuilder& lstring(const QByteArray& s) {
        return byte(12).le(static_cast<quint32>(s.size())).raw(s);
    }
    FormStreamBuilder& nil() { return byte(13); }
    FormStreamBuilder& collection() { return byte(14); }
    FormStreamBuilder& single(float v) { return byte(15).le(std::bit_cast<quint32>(v)); }
    FormStreamBuilder& currency(qint64 tenThousandths) { return byte(16).le(tenThousandths); }
    FormStreamBuilder& date(double v) { return byte(17).le(std::bit_cast<quint64>(v)); }
    FormStreamBuilder& wstring(QStringView s) {
        byte(18).le(static_cast<quint32>(s.size()));
        for (const QChar c : s)
            le(c.unicode());
        return *this;
    }
    FormStreamBuilder& int64(qint64 v) { return byte(19).le(v); }
    FormStreamBuilder& utf8String(const QByteArray& utf8) {
        return byte(20).le(static_cast<quint32>(utf8.size())).raw(utf8);
    }
    FormStreamBuilder& doubleValue(double v) { return byte(21).le(std::bit_cast<quint64>(v)); }

    FormStreamBuilder& byte(quint8 b) {
        data_.append(static_cast<char>(b));
        return *this;
    }
    FormStreamBuilder& raw(const QByteArray& bytes) {
        data_.append(bytes);
        return *this;
    }
    FormStreamBuilder& shortString(const QByteArray& s) { return byte(static_cast<quint8>(s.size())).raw(s); }
    template <typename T> FormStreamBuilder& le(T v) {
        char bytes[sizeof(T)];
        qToLittleEndian(v, bytes);
        data_.append(bytes, sizeof(T));
        return *this;
    }

    const QByteArray& data() const { return data_; }

private:
    QByteArray data_;
};

// The stream behind a 32-bit resource header, as a compiler stores a form.
inline QByteArray inResource(const QByteArray& stream, const QByteArray& resourceName) {
    FormStreamBuilder header;
    header.byte(0xFF).le(quint16(10)).raw(resourceName).byte(0).le(quint16(0x1030));
    header.le(static_cast<quint32>(stream.size()));
    return header.data() + stream;
}

// Runs the conversion over in-memory bytes; throws what it throws.
inline QByteArray convertForm(const QByteArray& input, TStreamOriginalFormat* format = nullptr,
                              const QString& name = QStringLiteral("test.dfm")) {
    QByteArray inputCopy = input;
    QBuffer in(&inputCopy);
    in.open(QIODevice::ReadOnly);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    TStreamOriginalFormat detected = sofText;
    ObjectResourceToText(in, out, detected, name);
    if (format)
        *format = detected;
    return output;
}
