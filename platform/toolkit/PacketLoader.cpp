#include "toolkit/PacketLoader.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>

const QJsonArray& PacketLoader::fieldsJson(const QList<TFieldDef>& layout) {
    if (jsonLayout_ != layout) {
        fieldsJson_ = Wire::describeFields(layout);
        jsonLayout_ = layout;
    }
    return fieldsJson_;
}

const PacketLoader::PacketFields& PacketLoader::readFields(const QJsonValue& json,
                                                           const QList<TFieldDef>* declared) {
    if (!lastPacket_.packetDefs.isEmpty() && json == lastPacket_.json &&
        lastPacket_.layout == (declared ? *declared : lastPacket_.packetDefs))
        return lastPacket_;
    PacketFields read{json, DataPacket::fieldsFromJson(json), {}, {}};
    read.layout = declared ? *declared : read.packetDefs;
    for (const TFieldDef& def : read.layout) {
        const qsizetype column = DataPacket::indexOfField(read.packetDefs, def.name);
        if (column < 0)
            throw EDatabaseError(
                QCoreApplication::translate("PacketLoader", "The packet has no field %1").arg(def.name));
        if (read.packetDefs.at(column).kind != def.kind)
            throw EDatabaseError(QCoreApplication::translate(
                                     "PacketLoader", "Field %1 is a %2 field in the packet, not a %3 field")
                                     .arg(def.name, Wire::kindName(read.packetDefs.at(column).kind),
                                          Wire::kindName(def.kind)));
        read.columns.append(column);
    }
    lastPacket_ = std::move(read);
    return lastPacket_;
}

PacketLoader::Content PacketLoader::load(const QJsonObject& packet, const QList<TFieldDef>* declared) {
    const PacketFields& fields = readFields(packet.value(QStringLiteral("fields")), declared);
    Content content{fields.layout, {}};

    const QJsonValue rowsValue = packet.value(QStringLiteral("rows"));
    if (!rowsValue.isArray())
        throw EDatabaseError(QCoreApplication::translate("PacketLoader", "The packet has no \"rows\" array"));
    const QJsonArray jsonRows = rowsValue.toArray();
    content.rows.reserve(static_cast<size_t>(jsonRows.size()));
    for (qsizetype r = 0; r < jsonRows.size(); ++r) {
        const QJsonValue rowValue = jsonRows.at(r);
        const QJsonArray cells = rowValue.toArray();
        if (!rowValue.isArray() || cells.size() != fields.packetDefs.size())
            throw EDatabaseError(
                QCoreApplication::translate("PacketLoader", "Row %1 does not hold one value per field")
                    .arg(r + 1));
        try {
            for (qsizetype c = 0; c < cells.size(); ++c)
                DataPacket::checkKind(cells.at(c), fields.packetDefs.at(c));
            DataPacket::Row row;
            row.reserve(content.layout.size());
            for (qsizetype i = 0; i < content.layout.size(); ++i)
                row.append(DataPacket::valueFromJson(cells.at(fields.columns.at(i)), content.layout.at(i)));
            content.rows.push_back(std::move(row));
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(
                QCoreApplication::translate("PacketLoader", "Row %1: %2").arg(r + 1).arg(e.message()));
        }
    }
    return content;
}
