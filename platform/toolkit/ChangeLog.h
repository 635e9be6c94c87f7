#pragma once

#include "toolkit/DataPacket.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <vector>

// A data set's records and what was done to them since they were loaded or last merged: the
// inserted, changed and deleted records, and the delta that tells the server about them.
class ChangeLog {
public:
    // Records carry an id so that a change can find its record after inserts and deletes moved it.
    struct Record {
        DataPacket::Row values;
        quint64 id = 0;
    };

    // The rows become the records and the base that cancel() returns to; the log is emptied.
    void load(std::vector<DataPacket::Row> rows);
    void clear();

    const std::vector<Record>& records() const { return records_; }

    void insert(qsizetype position, DataPacket::Row values);
    // Values equal to the record's are no change.
    void update(qsizetype position, DataPacket::Row values);
    void remove(qsizetype position);

    // One change per record, in the order first made: an inserted record stays an insert however
    // often edited, an edited one keeps the values it was loaded with.
    int changeCount() const { return static_cast<int>(changes_.size()); }
    QJsonObject delta(const QList<TFieldDef>& layout, const QJsonArray& fieldsJson) const;
    // The records as they are become the base.
    void merge();
    // Back to the base.
    void cancel();

private:
    enum class Op { Insert, Update, Delete };
    // Insert and update changes read their values from the live record, so later edits show in
    // the delta without touching the log.
    struct Change {
        Op op = Op::Insert;
        quint64 recordId = 0;
        DataPacket::Row original;
    };

    Change* changeFor(quint64 id);
    void setRecords(const std::vector<DataPacket::Row>& rows);

    std::vector<Record> records_;
    std::vector<DataPacket::Row> base_;
    std::vector<Change> changes_;
    quint64 nextId_ = 1;
};
