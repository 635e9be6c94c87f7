#include "appserver/object/Delta.h"

#include "appserver/object/DataPacket.h"

namespace {

// For each layout field, the position of the delta's field with that name.
QList<int> mapFields(const QJsonValue& fieldsValue, const Layout& layout) {
    if (!fieldsValue.isArray())
        throw DeltaError(QStringLiteral("the delta has no \"fields\" array"));
    const QJsonArray fields = fieldsValue.toArray();
    QList<int> positions(layout.size(), -1);
    for (int i = 0; i < fields.size(); ++i) {
        const QJsonObject def = fields.at(i).toObject();
        const QString name = def.value(QStringLiteral("name")).toString();
        // Names in a layout differ whatever their letter case, so the first match is the only one;
        // a client sends the layout's own order, so its own position is tried first.
        int target = -1;
        if (i < layout.size() && layout.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            target = i;
        for (int j = 0; j < layout.size() && target < 0; ++j) {
            if (layout.at(j).name.compare(name, Qt::CaseInsensitive) == 0)
                target = j;
        }
        if (target < 0)
            throw DeltaError(QStringLiteral("the delta's field \"%1\" is not in the layout").arg(name));
        if (positions.at(target) >= 0)
            throw DeltaError(
                QStringLiteral("the delta names the field %1 twice").arg(layout.at(target).name));
        const QString type = def.value(QStringLiteral("type")).toString();
        if (type != Wire::kindName(layout.at(target).kind))
            throw DeltaError(QStringLiteral("the delta's field %1 is of type \"%2\"; the layout has \"%3\"")
                                 .arg(layout.at(target).name, type, Wire::kindName(layout.at(target).kind)));
        positions[target] = i;
    }
    for (int j = 0; j < layout.size(); ++j) {
        if (positions.at(j) < 0)
            throw DeltaError(QStringLiteral("the delta has no field %1").arg(layout.at(j).name));
    }
    return positions;
}

QJsonArray readRow(const QJsonObject& change, const QString& member, const QList<int>& positions,
                   const Layout& layout, const QString& where) {
    const QJsonValue value = change.value(member);
    if (!value.isArray())
        throw DeltaError(QStringLiteral("%1 has no \"%2\" array").arg(where, member));
    const QJsonArray row = value.toArray();
    if (row.size() != positions.size())
        throw DeltaError(QStringLiteral("%1: \"%2\" holds %3 values for %4 fields")
                             .arg(where, member)
                             .arg(row.size())
                             .arg(positions.size()));
    QJsonArray ordered;
    for (int j = 0; j < layout.size(); ++j) {
        const QJsonValue item = row.at(positions.at(j));
        const QString problem = checkValue(layout.at(j), item);
        if (!problem.isEmpty())
            throw DeltaError(QStringLiteral("%1: %2").arg(where, problem));
        ordered.append(item);
    }
    return ordered;
}

QString opName(DeltaChange::Op op) {
    switch (op) {
    case DeltaChange::Op::Insert:
        return QStringLiteral("insert");
    case DeltaChange::Op::Update:
        return QStringLiteral("update");
    case DeltaChange::Op::Delete:
        return QStringLiteral("delete");
    }
    return {};
}

} // namespace

QString describeChange(int index, DeltaChange::Op op) {
    return QStringLiteral("change %1 (%2)").arg(index + 1).arg(opName(op));
}

QList<DeltaChange> readDelta(const QJsonObject& delta, const Layout& layout) {
    const QList<int> positions = mapFields(delta.value(QStringLiteral("fields")), layout);
    const QJsonValue changesValue = delta.value(QStringLiteral("changes"));
    if (!changesValue.isArray())
        throw DeltaError(QStringLiteral("the delta has no \"changes\" array"));
    const QJsonArray changes = changesValue.toArray();

    QList<DeltaChange> result;
    for (int i = 0; i < changes.size(); ++i) {
        const QJsonObject change = changes.at(i).toObject();
        const QString op = change.value(QStringLiteral("op")).toString();
        DeltaChange parsed;
        if (op == QLatin1String("insert"))
            parsed.op = DeltaChange::Op::Insert;
        else if (op == QLatin1String("update"))
            parsed.op = DeltaChange::Op::Update;
        else if (op == QLatin1String("delete"))
            parsed.op = DeltaChange::Op::Delete;
        else
            throw DeltaError(
                QStringLiteral("change %1 has no known \"op\" (insert, update or delete)").arg(i + 1));
        const QString where = describeChange(i, parsed.op);
        if (parsed.op != DeltaChange::Op::Insert)
            parsed.original = readRow(change, QStringLiteral("original"), positions, layout, where);
        if (parsed.op != DeltaChange::Op::Delete)
            parsed.values = readRow(change, QStringLiteral("values"), positions, layout, where);
        result.append(parsed);
    }
    return result;
}
