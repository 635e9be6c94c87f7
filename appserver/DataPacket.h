#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// Field layouts and data packets as docs/protocol.md describes them.

enum class FieldKind { String, Number, DateTime };

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int size = 0; // maximum characters, string fields only
};

using Layout = QList<FieldDef>;

namespace Layouts {
const Layout& languageEntry();
const Layout& translationRow();
const Layout& versionRecord();
} // namespace Layouts

QString kindName(FieldKind kind);

QJsonObject makePacket(const Layout& layout, const QList<QJsonArray>& rows = {});

// Why the value does not fit the field, or an empty string when it does.
QString checkValue(const FieldDef& field, const QJsonValue& value);

// Characters as the module counts them: code points, not UTF-16 units.
qsizetype characterCount(const QString& text);

// Date-times travel and are stored as local ISO 8601 with milliseconds.
QString formatDateTime(const QDateTime& value);
std::optional<QDateTime> parseDateTime(const QString& text);
QJsonValue dateTimeToJson(const std::optional<QDateTime>& value);
