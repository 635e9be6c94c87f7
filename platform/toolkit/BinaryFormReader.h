#pragma once

#include <QByteArrayView>
#include <QString>

namespace FormStream {

// Bounds-checked little-endian reads over a form stream held in memory. Each read names what it
// is after (a text marked with QT_TRANSLATE_NOOP("FormStream", ...)), so a truncated stream or a bogus length
// fails with an EStreamError saying where and why instead of reading past the data or allocating for a length
// the data cannot hold.
class BinaryFormReader {
public:
    // Reads data[begin, end). Offsets in messages count from the start of data, so they match the
    // file even when the stream sits behind a resource header. name is the file for messages.
    BinaryFormReader(QByteArrayView data, qsizetype begin, qsizetype end, const QString& name);

    qsizetype offset() const { return pos_; }
    qsizetype remaining() const { return end_ - pos_; }

    quint8 peekByte(const char* what) const;
    quint8 readByte(const char* what);
    qint8 readInt8(const char* what);
    qint16 readInt16(const char* what);
    quint16 readUInt16(const char* what);
    qint32 readInt32(const char* what);
    quint32 readUInt32(const char* what);
    qint64 readInt64(const char* what);
    quint64 readUInt64(const char* what);
    // count comes from the stream, hence 64 bits: a 32-bit count of 16-bit units must not wrap.
    QByteArrayView readBytes(qint64 count, const char* what);
    // One length byte, then that many bytes.
    QByteArrayView readShortString(const char* what);
    // A 32-bit length, then that many bytes.
    QByteArrayView readLongBytes(const char* what);
    // Bytes up to a NUL, which is consumed but not returned.
    QByteArrayView readZeroTerminated(const char* what);

    // How messages name this stream.
    QString label() const;
    // Throws EStreamError with message, a whole sentence that names the stream with label().
    [[noreturn]] void fail(const QString& message) const;

private:
    template <typename T> T readLittleEndian(const char* what);
    void require(qint64 count, const char* what) const;

    QByteArrayView data_;
    qsizetype pos_;
    qsizetype end_;
    QString name_;
};

// How messages name the stream: the file when known.
QString streamLabel(const QString& name);

// What a read was after, in the reader's language.
QString describeRead(const char* what);

} // namespace FormStream
