#pragma once

#include "toolkit/DataPacket.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <vector>

// Reads data packets into a data set's rows and describes its layout for the packets and deltas
// it sends. A data set exchanges packets of the same layout over and over: the layout's JSON and
// the reading of the last packet's fields are kept rather than made anew for every packet.
class PacketLoader {
public:
    struct Content {
        QList<TFieldDef> layout;
        std::vector<DataPacket::Row> rows; // in the layout's order of fields
    };

    // With declared fields, the packet must carry each of them (matched by name, ignoring case)
    // with the same kind and values that fit; it may carry more, which are left out. Without
    // (nullptr), the packet's own fields are the layout. Throws EDatabaseError on a packet that is
    // malformed or does not fit.
    Content load(const QJsonObject& packet, const QList<TFieldDef>* declared);

    // The layout as a packet's or delta's "fields".
    const QJsonArray& fieldsJson(const QList<TFieldDef>& layout);

private:
    struct PacketFields {
        QJsonValue json;
        QList<TFieldDef> packetDefs;
        QList<TFieldDef> layout;
        QList<qsizetype> columns; // columns[i]: where the packet carries field i of the layout
    };
    const PacketFields& readFields(const QJsonValue& json, const QList<TFieldDef>* declared);

    PacketFields lastPacket_;
    QList<TFieldDef> jsonLayout_;
    QJsonArray fieldsJson_;
};
