#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// How a record's fields are laid out in data packets and deltas (docs/protocol.md). The module's
// data sets and the server's answers are built from the same layouts, so the two ends agree.

enum class FieldKind { String, Number, DateTime };

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int size = 0; // maximum characters, string fields only

    bool operator==(const FieldDef&) const = default;
};

using Layout = QList<FieldDef>;

namespace Wire {

// The kind as a packet's field description spells it.
QString kindName(FieldKind kind);
// Empty for a name no kind has.
std::optional<FieldKind> kindFromName(QStringView name);

// The layout as a packet's or delta's "fields" describe it: name, type and, for strings, size.
QJsonArray describeFields(const Layout& layout);

} // namespace Wire
