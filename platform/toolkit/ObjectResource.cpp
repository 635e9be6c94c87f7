#include "toolkit/ObjectResource.h"

#include "toolkit/BinaryFormReader.h"
#include "toolkit/BinaryFormToText.h"
#include "toolkit/Exceptions.h"

#include <QIODevice>

#include <cstring>
#include <utility>

using namespace FormStream;

namespace {

constexpr QByteArrayView binarySignature("TPF0");
constexpr quint16 rcDataType = 10;
constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");
// Text form files never hold a NUL; binary data almost always has one early on.
constexpr qsizetype textProbeSize = 4096;

qsizetype firstNulInProbe(const QByteArray& data) {
    const qsizetype probe = qMin(data.size(), textProbeSize);
    const void* nul = std::memchr(data.constData(), 0, static_cast<size_t>(probe));
    return nul ? static_cast<const char*>(nul) - data.constData() : -1;
}

// The byte range of the TPF0 stream inside a resource: 0xFF, the type, a NUL-terminated name
// (the form class in capitals), 16-bit flags, the 32-bit size of the data, the data.
std::pair<qsizetype, qsizetype> unwrapResource(const QByteArray& data, const QString& name) {
    BinaryFormReader header(data, 0, data.size(), name);
    header.readByte("the resource header");
    const quint16 type = header.readUInt16("the resource type");
    if (type != rcDataType)
        header.fail(QStringLiteral("holds a resource of type %1; a form is stored as RCDATA (%2)")
                        .arg(type)
                        .arg(rcDataType));
    header.readZeroTerminated("the resource name");
    header.readUInt16("the resource flags");
    const quint32 size = header.readUInt32("the resource size");
    const qsizetype begin = header.offset();
    if (size > static_cast<quint64>(header.remaining()))
        header.fail(
            QStringLiteral("is truncated: its resource header announces %1 bytes of form data at byte %2, "
                           "but only %3 follow")
                .arg(size)
                .arg(begin)
                .arg(header.remaining()));
    return {begin, begin + static_cast<qsizetype>(size)};
}

QByteArray binaryStreamToText(const QByteArray& data, qsizetype begin, qsizetype end, const QString& name) {
    BinaryFormReader reader(data, begin, end, name);
    if (reader.readBytes(binarySignature.size(), "the TPF0 signature") != binarySignature)
        reader.fail(QStringLiteral("holds a resource at byte %1 that is not a binary form stream "
                                   "(no TPF0 signature)")
                        .arg(begin));
    return binaryFormToText(reader);
}

void writeAll(QIODevice& output, const QByteArray& bytes, const QString& name) {
    if (output.write(bytes) != bytes.size())
        throw EStreamError(streamLabel(name) + QStringLiteral(": cannot write its text: ") +
                           output.errorString());
}

} // namespace

void ObjectResourceToText(QIODevice& input, QIODevice& output, TStreamOriginalFormat& format,
                          const QString& name) {
    if (!input.isReadable())
        throw EStreamError(streamLabel(name) +
                           QStringLiteral(" cannot be read: its stream is not open for reading"));
    if (!output.isWritable())
        throw EStreamError(streamLabel(name) +
                           QStringLiteral(" cannot be converted: the output stream is not open for writing"));

    const QByteArray data = input.readAll();
    const qsizetype nul = firstNulInProbe(data);
    const bool utf16 = data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF");
    const bool bareStream = data.startsWith(binarySignature);
    // 0xFF opens a resource header: no form text starts with it, so a file that does and holds no
    // whole resource is a broken binary form, not text.
    if (bareStream || (data.startsWith('\xFF') && !utf16)) {
        const auto [begin, end] =
            bareStream ? std::pair<qsizetype, qsizetype>(0, data.size()) : unwrapResource(data, name);
        writeAll(output, binaryStreamToText(data, begin, end, name), name);
        format = sofBinary;
        return;
    }
    if (nul >= 0)
        throw EStreamError(
            streamLabel(name) +
            (utf16 ? QStringLiteral(" is UTF-16 text; form text must be single-byte or UTF-8")
                   : QStringLiteral(" is neither form text nor a binary form stream: it has a NUL "
                                    "byte at byte %1 and no TPF0 signature or resource header")
                         .arg(nul)));
    writeAll(output, data, name);
    format = data.startsWith(utf8Bom) ? sofUTF8Text : sofText;
}
