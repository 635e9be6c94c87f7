#include "wire/FieldLayout.h"

#include <QJsonObject>

namespace Wire {

namespace {
const QString kString = QStringLiteral("string");
const QString kNumber = QStringLiteral("number");
const QString kDateTime = QStringLiteral("datetime");
} // namespace

QString kindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::String:
        return kString;
    case FieldKind::Number:
        return kNumber;
    case FieldKind::DateTime:
        return kDateTime;
    }
    return {};
}

std::optional<FieldKind> kindFromName(QStringView name) {
    if (name == kString)
        return FieldKind::String;
    if (name == kNumber)
        return FieldKind::Number;
    if (name == kDateTime)
        return FieldKind::DateTime;
    return std::nullopt;
}

QJsonArray describeFields(const Layout& layout) {
    QJsonArray fields;
    for (const FieldDef& field : layout) {
        QJsonObject description{{QStringLiteral("name"), field.name},
                                {QStringLiteral("type"), kindName(field.kind)}};
        if (field.kind == FieldKind::String)
            description.insert(QStringLiteral("size"), field.size);
        fields.append(description);
    }
    return fields;
}

} // namespace Wire
