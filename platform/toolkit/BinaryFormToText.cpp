#include "toolkit/BinaryFormToText.h"

#include "toolkit/BinaryFormReader.h"
#include "toolkit/FormTextLiterals.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QtEndian>

#include <bit>

namespace FormStream {

namespace {

// The tag byte in front of every property value.
enum class ValueType : quint8 {
    Null = 0, // ends lists, collections and property lists
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    Extended = 5,
    String = 6,
    Ident = 7,
    False = 8,
    True = 9,
    Binary = 10,
    Set = 11,
    LString = 12,
    Nil = 13,
    Collection = 14,
    Single = 15,
    Currency = 16,
    Date = 17,
    WString = 18,
    Int64 = 19,
    UTF8String = 20,
    Double = 21,
};

// Low bits of an 0xF0 prefix byte in front of an object.
enum ObjectFlag : quint8 { Inherited = 1, ChildPos = 2, Inline = 4 };

constexpr quint8 objectPrefixMask = 0xF0;
constexpr qsizetype hexBytesPerLine = 32;

bool isIntegerType(quint8 type) {
    const auto value = static_cast<ValueType>(type);
    return value == ValueType::Int8 || value == ValueType::Int16 || value == ValueType::Int32;
}

class FormTextWriter {
public:
    explicit FormTextWriter(BinaryFormReader& reader) : reader_(reader) {
        // The text is about twice the size of the stream for typical forms.
        out_.reserve(2 * reader.remaining() + 64);
    }

    QByteArray convert() {
        writeObject(0);
        out_ += "\r\n";
        return std::move(out_);
    }

private:
    // Counts one level of nesting for as long as it lives.
    class NestingLevel {
    public:
        explicit NestingLevel(FormTextWriter& writer) : depth_(writer.depth_) {
            if (++depth_ > maxNesting)
                writer.reader_.fail(QCoreApplication::translate(
                                        "FormStream",
                                        "%1 nests objects, lists or collections deeper than %2 levels "
                                        "(at byte %3)")
                                        .arg(writer.reader_.label(), QString::number(maxNesting),
                                             QString::number(writer.reader_.offset())));
        }
        ~NestingLevel() { --depth_; }
        NestingLevel(const NestingLevel&) = delete;
        NestingLevel& operator=(const NestingLevel&) = delete;

    private:
        int& depth_;
    };

    void newLine(int indent) {
        if (!out_.isEmpty())
            out_ += "\r\n";
        out_.append(indent, ' ');
    }

    void append(QByteArrayView bytes) { out_.append(bytes); }

    void writeObject(int indent) {
        const NestingLevel level(*this);
        quint8 flags = 0;
        qint32 childPosition = 0;
        if ((reader_.peekByte(QT_TRANSLATE_NOOP("FormStream", "an object")) & objectPrefixMask) ==
            objectPrefixMask) {
            flags = reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "the object flags")) & ~objectPrefixMask;
            if (flags & ChildPos)
                childPosition =
                    readIntegerValue(QT_TRANSLATE_NOOP("FormStream", "the position of a child object"));
        }
        const QByteArrayView className =
            reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "a class name"));
        const QByteArrayView objectName =
            reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "an object name"));

        newLine(indent);
        // A frame inherited from an ancestor form carries both flags; it reads as inherited.
        if (flags & Inherited)
            append("inherited ");
        else if (flags & Inline)
            append("inline ");
        else
            append("object ");
        if (!objectName.isEmpty()) {
            append(objectName);
            append(": ");
        }
        append(className);
        if (flags & ChildPos) {
            append(" [");
            appendInteger(out_, childPosition);
            append("]");
        }

        writeProperties(indent + 2);
        while (reader_.peekByte(
                   QT_TRANSLATE_NOOP("FormStream", "a child object or the end of the children")) != 0)
            writeObject(indent + 2);
        reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "the end of the children"));
        newLine(indent);
        append("end");
    }

    // Up to and including the empty name that ends the list.
    void writeProperties(int indent) {
        for (;;) {
            const QByteArrayView name =
                reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "a property name"));
            if (name.isEmpty())
                return;
            newLine(indent);
            append(name);
            append(" = ");
            writeValue(indent);
        }
    }

    qint32 readIntegerValue(const char* what) {
        const qsizetype at = reader_.offset();
        const quint8 type = reader_.readByte(what);
        switch (static_cast<ValueType>(type)) {
        case ValueType::Int8:
            return reader_.readInt8(what);
        case ValueType::Int16:
            return reader_.readInt16(what);
        case ValueType::Int32:
            return reader_.readInt32(what);
        default:
            reader_.fail(
                QCoreApplication::translate("FormStream",
                                            "%1 has value type %2 at byte %3 where %4 (an integer) belongs")
                    .arg(reader_.label(), QString::number(type), QString::number(at), describeRead(what)));
        }
    }

    // Continuation lines of a value are indented one level deeper than the line it starts on.
    void writeValue(int indent) {
        const qsizetype at = reader_.offset();
        const quint8 type = reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "a value type"));
        switch (static_cast<ValueType>(type)) {
        case ValueType::Null:
            reader_.fail(QCoreApplication::translate(
                             "FormStream", "%1 has an end-of-list marker at byte %2 where a value belongs")
                             .arg(reader_.label(), QString::number(at)));
        case ValueType::List:
            writeList(indent);
            return;
        case ValueType::Int8:
            appendInteger(out_, reader_.readInt8(QT_TRANSLATE_NOOP("FormStream", "an 8-bit integer")));
            return;
        case ValueType::Int16:
            appendInteger(out_, reader_.readInt16(QT_TRANSLATE_NOOP("FormStream", "a 16-bit integer")));
            return;
        case ValueType::Int32:
            appendInteger(out_, reader_.readInt32(QT_TRANSLATE_NOOP("FormStream", "a 32-bit integer")));
            return;
        case ValueType::Int64:
            appendInteger(out_, reader_.readInt64(QT_TRANSLATE_NOOP("FormStream", "a 64-bit integer")));
            return;
        case ValueType::Extended:
            appendExtended(out_, extendedToLongDouble(reader_.readBytes(
                                     10, QT_TRANSLATE_NOOP("FormStream", "an extended float"))));
            return;
        case ValueType::Double:
            appendDouble(out_, std::bit_cast<double>(
                                   reader_.readUInt64(QT_TRANSLATE_NOOP("FormStream", "a double float"))));
            return;
        case ValueType::Single:
            appendSingle(out_, std::bit_cast<float>(
                                   reader_.readUInt32(QT_TRANSLATE_NOOP("FormStream", "a single float"))));
            append("s");
            return;
        case ValueType::Currency:
            appendCurrency(out_, reader_.readInt64(QT_TRANSLATE_NOOP("FormStream", "a currency amount")));
            append("c");
            return;
        case ValueType::Date:
            appendDouble(
                out_, std::bit_cast<double>(reader_.readUInt64(QT_TRANSLATE_NOOP("FormStream", "a date"))));
            append("d");
            return;
        case ValueType::String:
            appendQuotedAnsi(out_, reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "a string")));
            return;
        case ValueType::LString:
            appendQuotedAnsi(out_, reader_.readLongBytes(QT_TRANSLATE_NOOP("FormStream", "a long string")));
            return;
        case ValueType::WString: {
            const quint32 units =
                reader_.readUInt32(QT_TRANSLATE_NOOP("FormStream", "the length of a wide string"));
            const QByteArrayView bytes = reader_.readBytes(2 * static_cast<qint64>(units),
                                                           QT_TRANSLATE_NOOP("FormStream", "a wide string"));
            // Unit by unit rather than through a decoder: a lone surrogate is written as its own code,
            // where a decoder would put U+FFFD in its place.
            QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
            for (quint32 i = 0; i < units; ++i)
                text[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
            appendQuotedUnicode(out_, text);
            return;
        }
        case ValueType::UTF8String: {
            const QString text =
                utf8Decoder_(reader_.readLongBytes(QT_TRANSLATE_NOOP("FormStream", "a UTF-8 string")));
            appendQuotedUnicode(out_, text);
            return;
        }
        case ValueType::Ident:
            append(reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "an identifier")));
            return;
        case ValueType::False:
            append("False");
            return;
        case ValueType::True:
            append("True");
            return;
        case ValueType::Nil:
            append("nil");
            return;
        case ValueType::Binary:
            writeBinary(reader_.readLongBytes(QT_TRANSLATE_NOOP("FormStream", "a binary block")), indent);
            return;
        case ValueType::Set:
            writeSet();
            return;
        case ValueType::Collection:
            writeCollection(indent);
            return;
        }
        reader_.fail(QCoreApplication::translate("FormStream", "%1 has an unknown value type %2 at byte %3")
                         .arg(reader_.label(), QString::number(type), QString::number(at)));
    }

    void writeList(int indent) {
        const NestingLevel level(*this);
        append("(");
        while (reader_.peekByte(QT_TRANSLATE_NOOP("FormStream", "a list item or the end of the list")) != 0) {
            newLine(indent + 2);
            writeValue(indent + 2);
        }
        reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "the end of the list"));
        append(")");
    }

    void writeSet() {
        append("[");
        bool first = true;
        for (;;) {
            const QByteArrayView element =
                reader_.readShortString(QT_TRANSLATE_NOOP("FormStream", "a set element"));
            if (element.isEmpty())
                break;
            if (!first)
                append(", ");
            append(element);
            first = false;
        }
        append("]");
    }

    void writeBinary(QByteArrayView bytes, int indent) {
        append("{");
        for (qsizetype start = 0; start < bytes.size(); start += hexBytesPerLine) {
            newLine(indent + 2);
            appendHex(out_, bytes.sliced(start, qMin(hexBytesPerLine, bytes.size() - start)));
        }
        append("}");
    }

    // Each item: an optional integer (its order index), then a list of properties.
    void writeCollection(int indent) {
        const NestingLevel level(*this);
        append("<");
        while (reader_.peekByte(
                   QT_TRANSLATE_NOOP("FormStream", "a collection item or the end of the collection")) != 0) {
            newLine(indent + 2);
            append("item");
            if (isIntegerType(reader_.peekByte(QT_TRANSLATE_NOOP("FormStream", "a collection item")))) {
                append(" [");
                appendInteger(out_, readIntegerValue(
                                        QT_TRANSLATE_NOOP("FormStream", "the index of a collection item")));
                append("]");
            }
            const qsizetype at = reader_.offset();
            const quint8 type = reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "a collection item"));
            if (static_cast<ValueType>(type) != ValueType::List)
                reader_.fail(QCoreApplication::translate(
                                 "FormStream",
                                 "%1 has value type %2 at byte %3 where a collection item (a list) belongs")
                                 .arg(reader_.label(), QString::number(type), QString::number(at)));
            writeProperties(indent + 4);
            newLine(indent + 2);
            append("end");
        }
        reader_.readByte(QT_TRANSLATE_NOOP("FormStream", "the end of the collection"));
        append(">");
    }

    BinaryFormReader& reader_;
    QByteArray out_;
    int depth_ = 0;
    QStringDecoder utf8Decoder_{QStringDecoder::Utf8,
                                QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};

} // namespace

QByteArray binaryFormToText(BinaryFormReader& reader) {
    return FormTextWriter(reader).convert();
}

} // namespace FormStream
