#include "toolkit/ObjectResource.h"

#include "toolkit/BinaryFormReader.h"
#include "toolkit/BinaryFormToText.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>
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
    header.readByte(QT_TRANSLATE_NOOP("FormStream", "the resource header"));
    const quint16 type = header.readUInt16(QT_TRANSLATE_NOOP("FormStream", "the resource type"));
    if (type != rcDataType)
        header.fail(QCoreApplication::translate(
                        "FormStream", "%1 holds a resource of type %2; a form is stored as RCDATA (%3)")
                        .arg(header.label(), QString::number(type), QString::number(rcDataType)));
    header.readZeroTerminated(QT_TRANSLATE_NOOP("FormStream", "the resource name"));
    header.readUInt16(QT_TRANSLATE_NOOP("FormStream", "the resource flags"));
    const quint32 size = header.readUInt32(QT_TRANSLATE_NOOP("FormStream", "the resource size"));
    const qsizetype begin = header.offset();
    if (size > static_cast<quint64>(header.remaining()))
        header.fail(QCoreApplication::translate(
                        "FormStream", "%1 is truncated: its resource header announces %2 bytes of form "
                                      "data at byte %3, but only %4 follow")
                        .arg(header.label(), QString::number(size), QString::number(begin),
                             QString::number(header.remaining())));
    return {begin, begin + static_cast<qsizetype>(size)};
}

QByteArray binaryStreamToText(const QByteArray& data, qsizetype begin, qsizetype end, const QString& name) {
    BinaryFormReader reader(data, begin, end, name);
    if (reader.readBytes(binarySignature.size(), QT_TRANSLATE_NOOP("FormStream", "the TPF0 signature")) !=
        binarySignature)
        reader.fail(QCoreApplication::translate("FormStream", "%1 holds a resource at byte %2 that is not a "
                                                              "binary form stream (no TPF0 signature)")
                        .arg(reader.label(), QString::number(begin)));
    return binaryFormToText(reader);
}

void writeAll(QIODevice& output, const QByteArray& bytes, const QString& name) {
    if (output.write(bytes) != bytes.size())
        throw EStreamError(QCoreApplication::translate("FormStream", "%1: cannot write its text: %2")
                               .arg(streamLabel(name), output.errorString()));
}

} // namespace

void ObjectResourceToText(QIODevice& input, QIODevice& output, TStreamOriginalFormat& format,
                          const QString& name) {
    if (!input.isReadable())
        throw EStreamError(
            QCoreApplication::translate("FormStream", "%1 cannot be read: its stream is not open for reading")
                .arg(streamLabel(name)));
    if (!output.isWritable())
        throw EStreamError(
            QCoreApplication::translate("FormStream",
                                        "%1 cannot be converted: the output stream is not open for writing")
                .arg(streamLabel(name)));

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
            utf16 ? QCoreApplication::translate("FormStream",
                                                "%1 is UTF-16 text; form text must be single-byte or UTF-8")
                        .arg(streamLabel(name))
                  : QCoreApplication::translate(
                        "FormStream", "%1 is neither form text nor a binary form stream: it has a NUL "
                                      "byte at byte %2 and no TPF0 signature or resource header")
                        .arg(streamLabel(name), QString::number(nul)));
    writeAll(output, data, name);
    format = data.startsWith(utf8Bom) ? sofUTF8Text : sofText;
}
