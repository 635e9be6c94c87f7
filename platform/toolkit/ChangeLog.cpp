#include "toolkit/ChangeLog.h"

#include <QHash>

#include <algorithm>

using DataPacket::Row;

void ChangeLog::setRecords(const std::vector<Row>& rows) {
    records_.clear();
    records_.reserve(rows.size());
    for (const Row& row : rows)
        records_.push_back(Record{row, nextId_++});
}

void ChangeLog::load(std::vector<Row> rows) {
    setRecords(rows);
    base_ = std::move(rows);
    changes_.clear();
}

void ChangeLog::clear() {
    records_.clear();
    base_.clear();
    changes_.clear();
}

ChangeLog::Change* ChangeLog::changeFor(quint64 id) {
    const auto it = std::find_if(changes_.begin(), changes_.end(),
                                 [id](const Change& c) { return c.op != Op::Delete && c.recordId == id; });
    return it == changes_.end() ? nullptr : &*it;
}

void ChangeLog::insert(qsizetype position, Row values) {
    const quint64 id = nextId_++;
    records_.insert(records_.begin() + position, Record{std::move(values), id});
    changes_.push_back(Change{Op::Insert, id, {}});
}

void ChangeLog::update(qsizetype position, Row values) {
    Record& record = records_.at(static_cast<size_t>(position));
    if (record.values == values)
        return;
    if (!changeFor(record.id))
        changes_.push_back(Change{Op::Update, record.id, record.values});
    record.values = std::move(values);
}

void ChangeLog::remove(qsizetype position) {
    const auto record = records_.begin() + position;
    if (Change* change = changeFor(record->id)) {
        if (change->op == Op::Insert) {
            // The server never saw it: nothing to tell.
            changes_.erase(changes_.begin() + (change - changes_.data()));
        } else {
            change->op = Op::Delete;
        }
    } else {
        changes_.push_back(Change{Op::Delete, record->id, record->values});
    }
    records_.erase(record);
}

QJsonObject ChangeLog::delta(const QList<TFieldDef>& layout, const QJsonArray& fieldsJson) const {
    static const QString opNames[] = {QStringLiteral("insert"), QStringLiteral("update"),
                                      QStringLiteral("delete")};
    QHash<quint64, const Row*> live;
    for (const Record& record : records_)
        live.insert(record.id, &record.values);

    QJsonArray changes;
    for (const Change& change : changes_) {
        QJsonObject entry{{QStringLiteral("op"), opNames[static_cast<int>(change.op)]}};
        if (change.op != Op::Insert)
            entry.insert(QStringLiteral("original"), DataPacket::rowToJson(change.original, layout));
        if (change.op != Op::Delete)
            entry.insert(QStringLiteral("values"),
                         DataPacket::rowToJson(*live.value(change.recordId), layout));
        changes.append(entry);
    }
    return QJsonObject{{QStringLiteral("fields"), fieldsJson}, {QStringLiteral("changes"), changes}};
}

void ChangeLog::merge() {
    base_.clear();
    base_.reserve(records_.size());
    for (const Record& record : records_)
        base_.push_back(record.values);
    changes_.clear();
}

void ChangeLog::cancel() {
    setRecords(base_);
    changes_.clear();
}
