#include "toolkit/BinaryFormReader.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cstring>

namespace FormStream {

QString streamLabel(const QString& name) {
    return name.isEmpty() ? QCoreApplication::translate("FormStream", "The form stream")
                          : QCoreApplication::translate("FormStream", "Form file '%1'").arg(name);
}

QString describeRead(const char* what) {
    return QCoreApplication::translate("FormStream", what);
}

BinaryFormReader::BinaryFormReader(QByteArrayView data, qsizetype begin, qsizetype end, const QString& name)
    : data_(data), pos_(begin), end_(end), name_(name) {
    Q_ASSERT(0 <= begin && begin <= end && end <= data.size());
}

QString BinaryFormReader::label() const {
    return streamLabel(name_);
}

void BinaryFormReader::fail(const QString& message) const {
    throw EStreamError(message);
}

void BinaryFormReader::require(qint64 count, const char* what) const {
    if (count > remaining())
        fail(QCoreApplication::translate(
                 "FormStream", "%1 is truncated at byte %2 while reading %3 (%4 bytes needed, %5 left)")
                 .arg(label(), QString::number(pos_), describeRead(what), QString::number(count),
                      QString::number(remaining())));
}

quint8 BinaryFormReader::peekByte(const char* what) const {
    require(1, what);
    return static_cast<quint8>(data_[pos_]);
}

quint8 BinaryFormReader::readByte(const char* what) {
    const quint8 value = peekByte(what);
    ++pos_;
    return value;
}

template <typename T> T BinaryFormReader::readLittleEndian(const char* what) {
    require(sizeof(T), what);
    const T value = qFromLittleEndian<T>(data_.data() + pos_);
    pos_ += sizeof(T);
    return value;
}

qint8 BinaryFormReader::readInt8(const char* what) {
    return static_cast<qint8>(readByte(what));
}

qint16 BinaryFormReader::readInt16(const char* what) {
    return readLittleEndian<qint16>(what);
}

quint16 BinaryFormReader::readUInt16(const char* what) {
    return readLittleEndian<quint16>(what);
}

qint32 BinaryFormReader::readInt32(const char* what) {
    return readLittleEndian<qint32>(what);
}

quint32 BinaryFormReader::readUInt32(const char* what) {
    return readLittleEndian<quint32>(what);
}

qint64 BinaryFormReader::readInt64(const char* what) {
    return readLittleEndian<qint64>(what);
}

quint64 BinaryFormReader::readUInt64(const char* what) {
    return readLittleEndian<quint64>(what);
}

QByteArrayView BinaryFormReader::readBytes(qint64 count, const char* what) {
    require(count, what);
    const QByteArrayView bytes = data_.sliced(pos_, static_cast<qsizetype>(count));
    pos_ += bytes.size();
    return bytes;
}

QByteArrayView BinaryFormReader::readShortString(const char* what) {
    return readBytes(readByte(what), what);
}

QByteArrayView BinaryFormReader::readLongBytes(const char* what) {
    return readBytes(readUInt32(what), what);
}

QByteArrayView BinaryFormReader::readZeroTerminated(const char* what) {
    const char* const start = data_.data() + pos_;
    // memchr must not see the null pointer an empty view may carry, even with a zero length.
    const void* const nul =
        remaining() > 0 ? std::memchr(start, 0, static_cast<size_t>(remaining())) : nullptr;
    if (!nul)
        fail(QCoreApplication::translate(
                 "FormStream", "%1 is truncated at byte %2 while reading %3 (no terminating NUL byte)")
                 .arg(label(), QString::number(pos_), describeRead(what)));
    const QByteArrayView text(start, static_cast<const char*>(nul) - start);
    pos_ += text.size() + 1;
    return text;
}

} // namespace FormStream
