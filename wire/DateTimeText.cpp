#include "wire/DateTimeText.h"

namespace {

const QString kFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz");
const QString kFormatNoMs = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss");

// Whether text is laid out as yyyy-MM-ddTHH:mm:ss or yyyy-MM-ddTHH:mm:ss.zzz, hour 24 aside.
bool hasWireShape(const QString& text) {
    static const QString shape = QStringLiteral("0000-00-00T00:00:00.000");
    if (text.size() != 19 && text.size() != 23)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool ok = shape[i] == u'0' ? text[i] >= u'0' && text[i] <= u'9' : text[i] == shape[i];
        if (!ok)
            return false;
    }
    // The ISO parser reads 24:00:00 as the next day's midnight; the format string refuses it.
    return QStringView(text).mid(11, 2) != u"24";
}

std::optional<QDateTime> validOnly(const QDateTime& value) {
    return value.isValid() ? std::optional(value) : std::nullopt;
}

} // namespace

namespace DateTimeText {

QString format(const QDateTime& value) {
    return value.toLocalTime().toString(kFormat);
}

std::optional<QDateTime> parse(const QString& text) {
    // Parsing by a format string costs many times what the ISO parser does; for text of exactly
    // the wire's shape both give the same local time.
    if (hasWireShape(text))
        return validOnly(QDateTime::fromString(text, Qt::ISODateWithMs));
    const QDateTime value = QDateTime::fromString(text, kFormat);
    return validOnly(value.isValid() ? value : QDateTime::fromString(text, kFormatNoMs));
}

std::optional<QDateTime> parseIso(const QString& text) {
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (parsed.timeSpec() != Qt::LocalTime)
        return std::nullopt;
    return validOnly(parsed);
}

} // namespace DateTimeText
