#pragma once

#include "wire/FieldLayout.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <stdexcept>

// A delta (docs/protocol.md, "Deltas") read against the layout the server expects. The fields of
// the delta are matched to the layout by name, ignoring case, in any order; the changes come out
// with their values in the layout's order, every value already checked against its field.

struct DeltaChange {
    enum class Op { Insert, Update, Delete };
    Op op = Op::Insert;
    QJsonArray original; // update and delete
    QJsonArray values;   // insert and update
};

// An application-level refusal: the delta does not fit. The message is meant for the user.
class DeltaError : public std::runtime_error {
public:
    explicit DeltaError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

QList<DeltaChange> readDelta(const QJsonObject& delta, const Layout& layout);

// "change 3 (update)": how messages name a change, counting from 1.
QString describeChange(int index, DeltaChange::Op op);
