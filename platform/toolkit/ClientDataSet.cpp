#include "toolkit/ClientDataSet.h"

#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"

#include <QHash>
#include <QJsonArray>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

using DataPacket::Row;

namespace {

enum class ChangeOp { Insert, Update, Delete };

// Records carry an id so that a change can find its record after inserts and deletes moved it.
struct Record {
    Row values;
    quint64 id = 0;
};

// Insert and update changes read their values from the live record, so later edits show in the
// delta without touching the log.
struct Change {
    ChangeOp op = ChangeOp::Insert;
    quint64 recordId = 0;
    Row original;
};

QString opName(ChangeOp op) {
    switch (op) {
    case ChangeOp::Insert:
        return QStringLiteral("insert");
    case ChangeOp::Update:
        return QStringLiteral("update");
    case ChangeOp::Delete:
        return QStringLiteral("delete");
    }
    return {};
}

qsizetype indexOfField(const QList<TFieldDef>& defs, const QString& name) {
    for (qsizetype i = 0; i < defs.size(); ++i)
        if (defs.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A Locate key value turned into the field's own kind; nullopt when no value of the field can
// equal it (text outside Windows-1252, junk for a number or a date-time).
std::optional<QVariant> keyForField(const QVariant& key, TFieldType kind) {
    if (key.isNull())
        return QVariant();
    const bool isText = key.typeId() == QMetaType::QString || key.typeId() == QMetaType::QByteArray;
    try {
        switch (kind) {
        case TFieldType::String:
            if (key.typeId() == QMetaType::QByteArray)
                return key;
            if (key.typeId() == QMetaType::QDateTime)
                return QVariant(DataPacket::dateTimeToText(key.toDateTime()).toLatin1());
            if (!isText && key.canConvert<double>())
                return QVariant(DataPacket::numberToText(key.toDouble()));
            return QVariant(Ansi::fromUnicode(key.toString()));
        case TFieldType::Number:
            if (isText)
                return QVariant(DataPacket::numberFromText(key.toByteArray(), QString()));
            if (key.canConvert<double>())
                return QVariant(key.toDouble());
            return std::nullopt;
        case TFieldType::DateTime: {
            const QDateTime value = isText ? DataPacket::dateTimeFromText(key.toString()) : key.toDateTime();
            if (!value.isValid())
                return std::nullopt;
            return QVariant(value);
        }
        }
    } catch (const EConvertError&) {
    }
    return std::nullopt;
}

bool stringMatches(const AnsiString& value, const AnsiString& key, TLocateOptions options) {
    const bool caseInsensitive = (options & loCaseInsensitive) != 0;
    const AnsiString a = caseInsensitive ? Ansi::UpperCase(value) : value;
    const AnsiString b = caseInsensitive ? Ansi::UpperCase(key) : key;
    return (options & loPartialKey) != 0 ? a.startsWith(b) : a == b;
}

} // namespace

struct TClientDataSet::Impl {
    explicit Impl(TClientDataSet& o) : owner(o) {}

    TClientDataSet& owner;
    QList<TFieldDef> defs;
    bool persistentLayout = false; // defs came from AddField, not from a packet

    TDataSetState state = TDataSetState::Inactive;
    std::vector<Record> records;
    std::vector<Row> base; // content as loaded or last merged: what CancelUpdates returns to
    std::vector<Change> changes;
    quint64 nextId = 1;

    qsizetype cursor = 0;
    bool eof = true;
    bool bof = true;

    Row buffer; // the record being inserted or edited
    qsizetype insertAt = 0;
    bool modified = false;

    // A data set exchanges packets of the same layout over and over: the layout's JSON and the
    // reading of the last packet's fields are kept rather than made anew for every packet.
    QList<TFieldDef> jsonDefs;
    QJsonArray defsJson;
    struct PacketFields {
        QJsonValue json;
        QList<TFieldDef> packetDefs;
        QList<TFieldDef> layout;
        QList<qsizetype> columns; // columns[i]: where the packet carries field i of the layout
    };
    PacketFields lastPacket;

    const QJsonArray& fieldsJson() {
        if (jsonDefs != defs) {
            defsJson = Wire::describeFields(defs);
            jsonDefs = defs;
        }
        return defsJson;
    }

    // Throws EDatabaseError when the packet's fields do not fit the data set.
    const PacketFields& readPacketFields(const QJsonValue& json) {
        if (!lastPacket.packetDefs.isEmpty() && json == lastPacket.json &&
            (!persistentLayout || lastPacket.layout == defs))
            return lastPacket;
        PacketFields read{json, DataPacket::fieldsFromJson(json), {}, {}};
        read.layout = persistentLayout ? defs : read.packetDefs;
        for (const TFieldDef& def : read.layout) {
            const qsizetype column = indexOfField(read.packetDefs, def.name);
            if (column < 0)
                throw EDatabaseError(QStringLiteral("The packet has no field %1").arg(def.name));
            if (read.packetDefs.at(column).kind != def.kind)
                throw EDatabaseError(QStringLiteral("Field %1 is a %2 field in the packet, not a %3 field")
                                         .arg(def.name, Wire::kindName(read.packetDefs.at(column).kind),
                                              Wire::kindName(def.kind)));
            read.columns.append(column);
        }
        lastPacket = std::move(read);
        return lastPacket;
    }

    QString label() const {
        return owner.name_.isEmpty() ? QStringLiteral("Data set")
                                     : QStringLiteral("Data set %1").arg(owner.name_);
    }
    [[noreturn]] void fail(const QString& text) const {
        throw EDatabaseError(QStringLiteral("%1: %2").arg(label(), text));
    }
    void requireActive() const {
        if (state == TDataSetState::Inactive)
            throw EDatabaseError(QStringLiteral("%1 is not open").arg(label()));
    }
    bool editing() const { return state == TDataSetState::Insert || state == TDataSetState::Edit; }
    void requireEditing() const {
        requireActive();
        if (!editing())
            fail(QStringLiteral("Not in Insert or Edit state"));
    }

    // Moving away from a record being inserted or edited keeps what was typed, as a form expects.
    void leaveEditing() {
        if (!editing())
            return;
        if (modified)
            owner.Post();
        else
            owner.Cancel();
    }

    Change* changeFor(quint64 id) {
        const auto it = std::find_if(changes.begin(), changes.end(), [id](const Change& c) {
            return c.op != ChangeOp::Delete && c.recordId == id;
        });
        return it == changes.end() ? nullptr : &*it;
    }

    void loadRows(const std::vector<Row>& rows) {
        records.clear();
        records.reserve(rows.size());
        for (const Row& row : rows)
            records.push_back(Record{row, nextId++});
    }

    void onRecord(qsizetype index) {
        const auto count = static_cast<qsizetype>(records.size());
        cursor = std::clamp<qsizetype>(index, 0, std::max<qsizetype>(count - 1, 0));
        eof = bof = count == 0;
    }

    void setLayout(const QList<TFieldDef>& newDefs) {
        if (defs == newDefs)
            return;
        defs = newDefs;
        owner.fields_.clear();
        for (qsizetype i = 0; i < defs.size(); ++i)
            owner.fields_.push_back(std::make_unique<TField>(owner, static_cast<int>(i)));
    }

    void dropContent() {
        state = TDataSetState::Inactive;
        records.clear();
        base.clear();
        changes.clear();
        buffer.clear();
        modified = false;
        cursor = 0;
        eof = bof = true;
    }

    std::vector<Row> currentRows() const {
        std::vector<Row> rows;
        rows.reserve(records.size());
        for (const Record& record : records)
            rows.push_back(record.values);
        return rows;
    }
};

// ---- TField ----

TField::TField(TClientDataSet& dataSet, int index) : dataSet_(dataSet), index_(index) {}

const QString& TField::FieldName() const {
    return dataSet_.d->defs.at(index_).name;
}

TFieldType TField::DataType() const {
    return dataSet_.d->defs.at(index_).kind;
}

int TField::Size() const {
    return dataSet_.d->defs.at(index_).size;
}

bool TField::IsNull() const {
    return dataSet_.fieldValue(index_).isNull();
}

void TField::Clear() {
    dataSet_.setFieldValue(index_, QVariant());
}

AnsiString TField::AsString() const {
    const QVariant value = dataSet_.fieldValue(index_);
    if (value.isNull())
        return {};
    switch (DataType()) {
    case TFieldType::String:
        return value.toByteArray();
    case TFieldType::Number:
        return DataPacket::numberToText(value.toDouble());
    case TFieldType::DateTime:
        return DataPacket::dateTimeToText(value.toDateTime()).toLatin1();
    }
    return {};
}

double TField::AsFloat() const {
    const QVariant value = dataSet_.fieldValue(index_);
    if (value.isNull())
        return 0;
    switch (DataType()) {
    case TFieldType::Number:
        return value.toDouble();
    case TFieldType::String: {
        const AnsiString text = Ansi::Trim(value.toByteArray());
        return text.isEmpty()
                   ? 0
                   : DataPacket::numberFromText(text, QStringLiteral("Value of field %1").arg(FieldName()));
    }
    case TFieldType::DateTime:
        break;
    }
    throw EConvertError(QStringLiteral("Date-time field %1 cannot be read as a number").arg(FieldName()));
}

int TField::AsInteger() const {
    if (DataType() == TFieldType::String) {
        const AnsiString text = Ansi::Trim(AsString());
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("Value of field %1 \"%2\" is not an integer")
                                    .arg(FieldName(), Ansi::toUnicode(text)));
        return value;
    }
    const double value = std::round(AsFloat());
    if (value < INT_MIN || value > INT_MAX)
        throw EConvertError(QStringLiteral("Value of field %1 is out of the integer range").arg(FieldName()));
    return static_cast<int>(value);
}

QDateTime TField::AsDateTime() const {
    const QVariant value = dataSet_.fieldValue(index_);
    if (value.isNull())
        return {};
    switch (DataType()) {
    case TFieldType::DateTime:
        return value.toDateTime();
    case TFieldType::String: {
        const AnsiString text = Ansi::Trim(value.toByteArray());
        if (text.isEmpty())
            return {};
        const QDateTime parsed = DataPacket::dateTimeFromText(QString::fromLatin1(text));
        if (!parsed.isValid())
            throw EConvertError(QStringLiteral("Value of field %1 \"%2\" is not a date-time")
                                    .arg(FieldName(), Ansi::toUnicode(text)));
        return parsed;
    }
    case TFieldType::Number:
        break;
    }
    throw EConvertError(QStringLiteral("Number field %1 cannot be read as a date-time").arg(FieldName()));
}

void TField::SetAsString(const AnsiString& value) {
    dataSet_.d->requireEditing();
    const AnsiString text = Ansi::Trim(value);
    switch (DataType()) {
    case TFieldType::String:
        dataSet_.setFieldValue(index_, value);
        return;
    case TFieldType::Number:
        dataSet_.setFieldValue(
            index_, text.isEmpty() ? QVariant()
                                   : QVariant(DataPacket::numberFromText(
                                         text, QStringLiteral("Value for field %1").arg(FieldName()))));
        return;
    case TFieldType::DateTime: {
        if (text.isEmpty()) {
            dataSet_.setFieldValue(index_, QVariant());
            return;
        }
        const QDateTime parsed = DataPacket::dateTimeFromText(QString::fromLatin1(text));
        if (!parsed.isValid())
            throw EConvertError(QStringLiteral("Value for field %1 \"%2\" is not a date-time")
                                    .arg(FieldName(), Ansi::toUnicode(text)));
        dataSet_.setFieldValue(index_, parsed);
        return;
    }
    }
}

void TField::SetAsFloat(double value) {
    dataSet_.d->requireEditing();
    if (!std::isfinite(value))
        throw EConvertError(QStringLiteral("Field %1 cannot hold %2").arg(FieldName()).arg(value));
    switch (DataType()) {
    case TFieldType::Number:
        dataSet_.setFieldValue(index_, value);
        return;
    case TFieldType::String:
        dataSet_.setFieldValue(index_, DataPacket::numberToText(value));
        return;
    case TFieldType::DateTime:
        break;
    }
    throw EConvertError(QStringLiteral("Date-time field %1 cannot take a number").arg(FieldName()));
}

void TField::SetAsInteger(int value) {
    SetAsFloat(value);
}

void TField::SetAsDateTime(const QDateTime& value) {
    dataSet_.d->requireEditing();
    switch (DataType()) {
    case TFieldType::DateTime:
        dataSet_.setFieldValue(index_, value.isValid() ? QVariant(value.toLocalTime()) : QVariant());
        return;
    case TFieldType::String:
        dataSet_.setFieldValue(
            index_, value.isValid() ? QVariant(DataPacket::dateTimeToText(value).toLatin1()) : QVariant());
        return;
    case TFieldType::Number:
        break;
    }
    throw EConvertError(QStringLiteral("Number field %1 cannot take a date-time").arg(FieldName()));
}

// ---- TClientDataSet: layout ----

TClientDataSet::TClientDataSet(QString name) : name_(std::move(name)), d(std::make_unique<Impl>(*this)) {}

TClientDataSet::~TClientDataSet() = default;

TField* TClientDataSet::AddField(const QString& name, TFieldType kind, int size) {
    if (Active())
        d->fail(QStringLiteral("Cannot add field %1 while the data set is open").arg(name));
    if (name.isEmpty())
        d->fail(QStringLiteral("A field needs a name"));
    if (kind == TFieldType::String && size < 1)
        d->fail(QStringLiteral("String field %1 needs a size of at least 1").arg(name));
    if (!d->persistentLayout) {
        // A layout taken from an earlier packet gives way to the fields the program declares.
        d->setLayout({});
        d->persistentLayout = true;
    }
    if (indexOfField(d->defs, name) >= 0)
        d->fail(QStringLiteral("Field %1 is already defined").arg(name));

    d->defs.append(TFieldDef{name, kind, kind == TFieldType::String ? size : 0});
    fields_.push_back(std::make_unique<TField>(*this, static_cast<int>(d->defs.size() - 1)));
    return fields_.back().get();
}

const QList<TFieldDef>& TClientDataSet::FieldDefs() const {
    return d->defs;
}

int TClientDataSet::FieldCount() const {
    return static_cast<int>(d->defs.size());
}

TField* TClientDataSet::FindField(const QString& name) const {
    const qsizetype index = indexOfField(d->defs, name);
    return index < 0 ? nullptr : fields_.at(static_cast<size_t>(index)).get();
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field)
        d->fail(QStringLiteral("Field %1 not found").arg(name));
    return field;
}

QVariant TClientDataSet::fieldValue(int index) const {
    d->requireActive();
    if (d->editing())
        return d->buffer.at(index);
    if (d->records.empty())
        return {};
    return d->records.at(static_cast<size_t>(d->cursor)).values.at(index);
}

void TClientDataSet::setFieldValue(int index, const QVariant& value) {
    d->requireEditing();
    const TFieldDef& def = d->defs.at(index);
    if (!value.isNull() && def.kind == TFieldType::String) {
        try {
            DataPacket::checkLength(def, value.toByteArray());
        } catch (const EDatabaseError& e) {
            d->fail(e.message());
        }
    }
    d->buffer[index] = value;
    d->modified = true;
}

// ---- opening and loading ----

void TClientDataSet::CreateDataSet() {
    if (d->defs.isEmpty())
        d->fail(QStringLiteral("Cannot open a data set without fields"));
    d->dropContent();
    d->state = TDataSetState::Browse;
}

void TClientDataSet::Open() {
    if (!Active())
        CreateDataSet();
}

void TClientDataSet::Close() {
    d->dropContent();
}

bool TClientDataSet::Active() const {
    return d->state != TDataSetState::Inactive;
}

TDataSetState TClientDataSet::State() const {
    return d->state;
}

void TClientDataSet::SetData(const QJsonObject& packet) {
    d->dropContent();
    QList<TFieldDef> layout;
    std::vector<Row> rows;
    try {
        const Impl::PacketFields& fields = d->readPacketFields(packet.value(QStringLiteral("fields")));
        const QList<TFieldDef> packetDefs = fields.packetDefs;
        const QList<qsizetype> columns = fields.columns;
        layout = fields.layout;

        const QJsonValue rowsValue = packet.value(QStringLiteral("rows"));
        if (!rowsValue.isArray())
            throw EDatabaseError(QStringLiteral("The packet has no \"rows\" array"));
        const QJsonArray jsonRows = rowsValue.toArray();
        rows.reserve(static_cast<size_t>(jsonRows.size()));
        for (qsizetype r = 0; r < jsonRows.size(); ++r) {
            const QJsonValue rowValue = jsonRows.at(r);
            const QJsonArray cells = rowValue.toArray();
            if (!rowValue.isArray() || cells.size() != packetDefs.size())
                throw EDatabaseError(QStringLiteral("Row %1 does not hold one value per field").arg(r + 1));
            try {
                for (qsizetype c = 0; c < cells.size(); ++c)
                    DataPacket::checkKind(cells.at(c), packetDefs.at(c));
                Row row;
                row.reserve(layout.size());
                for (qsizetype i = 0; i < layout.size(); ++i)
                    row.append(DataPacket::valueFromJson(cells.at(columns.at(i)), layout.at(i)));
                rows.push_back(std::move(row));
            } catch (const EDatabaseError& e) {
                throw EDatabaseError(QStringLiteral("Row %1: %2").arg(r + 1).arg(e.message()));
            }
        }
    } catch (const EDatabaseError& e) {
        d->fail(e.message());
    }

    d->setLayout(layout);
    d->loadRows(rows);
    d->base = std::move(rows);
    d->state = TDataSetState::Browse;
    d->onRecord(0);
}

QJsonObject TClientDataSet::Data() const {
    d->requireActive();
    QJsonArray rows;
    for (const Record& record : d->records)
        rows.append(DataPacket::rowToJson(record.values, d->defs));
    return QJsonObject{{QStringLiteral("fields"), d->fieldsJson()}, {QStringLiteral("rows"), rows}};
}

// ---- navigation ----
// Eof and Bof turn true only when a move tried to go past an end, or when there is no record.

void TClientDataSet::First() {
    d->requireActive();
    d->leaveEditing();
    d->onRecord(0);
}

void TClientDataSet::Last() {
    d->requireActive();
    d->leaveEditing();
    d->onRecord(static_cast<qsizetype>(d->records.size()) - 1);
}

void TClientDataSet::Next() {
    d->requireActive();
    d->leaveEditing();
    if (d->cursor + 1 < static_cast<qsizetype>(d->records.size())) {
        ++d->cursor;
        d->eof = d->bof = false;
    } else {
        d->eof = true;
    }
}

void TClientDataSet::Prior() {
    d->requireActive();
    d->leaveEditing();
    if (d->cursor > 0 && !d->records.empty()) {
        --d->cursor;
        d->eof = d->bof = false;
    } else {
        d->bof = true;
    }
}

bool TClientDataSet::Eof() const {
    return d->eof;
}

bool TClientDataSet::Bof() const {
    return d->bof;
}

int TClientDataSet::RecordCount() const {
    return static_cast<int>(d->records.size());
}

int TClientDataSet::RecNo() const {
    if (d->state == TDataSetState::Insert)
        return static_cast<int>(d->insertAt + 1);
    return d->records.empty() ? 0 : static_cast<int>(d->cursor + 1);
}

// ---- editing ----

void TClientDataSet::Insert() {
    d->requireActive();
    d->leaveEditing();
    d->insertAt = d->records.empty() ? 0 : d->cursor;
    d->buffer = Row(d->defs.size());
    d->modified = false;
    d->state = TDataSetState::Insert;
}

void TClientDataSet::Append() {
    d->requireActive();
    d->leaveEditing();
    d->insertAt = static_cast<qsizetype>(d->records.size());
    d->buffer = Row(d->defs.size());
    d->modified = false;
    d->state = TDataSetState::Insert;
}

void TClientDataSet::Edit() {
    d->requireActive();
    if (d->editing())
        return;
    if (d->records.empty())
        d->fail(QStringLiteral("Cannot edit: the data set is empty"));
    d->buffer = d->records.at(static_cast<size_t>(d->cursor)).values;
    d->modified = false;
    d->state = TDataSetState::Edit;
}

void TClientDataSet::Post() {
    d->requireActive();
    if (!d->editing())
        return;

    if (d->state == TDataSetState::Insert) {
        const quint64 id = d->nextId++;
        d->records.insert(d->records.begin() + d->insertAt, Record{d->buffer, id});
        d->changes.push_back(Change{ChangeOp::Insert, id, {}});
        d->cursor = d->insertAt;
    } else {
        Record& record = d->records.at(static_cast<size_t>(d->cursor));
        if (record.values != d->buffer) {
            // The first edit keeps the loaded values; an inserted record stays an insert.
            if (!d->changeFor(record.id))
                d->changes.push_back(Change{ChangeOp::Update, record.id, record.values});
            record.values = d->buffer;
        }
    }
    d->buffer.clear();
    d->modified = false;
    d->eof = d->bof = false;
    d->state = TDataSetState::Browse;

    if (AfterPost)
        AfterPost(*this);
}

void TClientDataSet::Cancel() {
    if (!d->editing())
        return;
    d->buffer.clear();
    d->modified = false;
    d->state = TDataSetState::Browse;
    if (AfterCancel)
        AfterCancel(*this);
}

void TClientDataSet::Delete() {
    d->requireActive();
    if (d->state == TDataSetState::Insert) {
        Cancel(); // the new record never reached the data
        return;
    }
    if (d->state == TDataSetState::Edit) {
        d->buffer.clear();
        d->modified = false;
        d->state = TDataSetState::Browse;
    }
    if (d->records.empty())
        d->fail(QStringLiteral("Cannot delete: the data set is empty"));

    const auto position = d->records.begin() + d->cursor;
    if (Change* change = d->changeFor(position->id)) {
        if (change->op == ChangeOp::Insert) {
            // The server never saw it: nothing to tell.
            d->changes.erase(d->changes.begin() + (change - d->changes.data()));
        } else {
            change->op = ChangeOp::Delete;
        }
    } else {
        d->changes.push_back(Change{ChangeOp::Delete, position->id, position->values});
    }
    d->records.erase(position);
    d->onRecord(d->cursor);

    if (AfterDelete)
        AfterDelete(*this);
}

// ---- search ----

bool TClientDataSet::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options) {
    d->requireActive();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        d->fail(QStringLiteral("Locate needs at least one key field"));
    if (names.size() != values.size())
        d->fail(
            QStringLiteral("Locate got %1 values for %2 key fields").arg(values.size()).arg(names.size()));

    QList<qsizetype> columns;
    for (const QString& name : names) {
        const qsizetype column = indexOfField(d->defs, name.trimmed());
        if (column < 0)
            d->fail(QStringLiteral("Field %1 not found").arg(name.trimmed()));
        columns.append(column);
    }
    d->leaveEditing();

    QVariantList keys;
    for (qsizetype k = 0; k < names.size(); ++k) {
        const std::optional<QVariant> key = keyForField(values.at(k), d->defs.at(columns.at(k)).kind);
        if (!key)
            return false;
        keys.append(*key);
    }

    const auto matches = [&](const Record& record) {
        for (qsizetype k = 0; k < keys.size(); ++k) {
            const QVariant& value = record.values.at(columns.at(k));
            const QVariant& key = keys.at(k);
            if (d->defs.at(columns.at(k)).kind == TFieldType::String) {
                // A null string reads as "", so the two are one for searching.
                if (!stringMatches(value.toByteArray(), key.toByteArray(), options))
                    return false;
            } else if (value.isNull() || key.isNull()) {
                if (value.isNull() != key.isNull())
                    return false;
            } else if (value != key) {
                return false;
            }
        }
        return true;
    };
    const auto found = std::find_if(d->records.begin(), d->records.end(), matches);
    if (found == d->records.end())
        return false;
    d->onRecord(found - d->records.begin());
    return true;
}

// ---- change log ----

int TClientDataSet::GetChangeCount() const {
    return static_cast<int>(d->changes.size());
}

QJsonObject TClientDataSet::GetDelta() const {
    QHash<quint64, const Row*> live;
    for (const Record& record : d->records)
        live.insert(record.id, &record.values);

    QJsonArray changes;
    for (const Change& change : d->changes) {
        QJsonObject entry{{QStringLiteral("op"), opName(change.op)}};
        if (change.op != ChangeOp::Insert)
            entry.insert(QStringLiteral("original"), DataPacket::rowToJson(change.original, d->defs));
        if (change.op != ChangeOp::Delete)
            entry.insert(QStringLiteral("values"),
                         DataPacket::rowToJson(*live.value(change.recordId), d->defs));
        changes.append(entry);
    }
    return QJsonObject{{QStringLiteral("fields"), d->fieldsJson()}, {QStringLiteral("changes"), changes}};
}

void TClientDataSet::MergeChangeLog() {
    if (!Active())
        return;
    d->leaveEditing();
    d->base = d->currentRows();
    d->changes.clear();
}

void TClientDataSet::CancelUpdates() {
    if (!Active())
        return;
    Cancel();
    d->loadRows(d->base);
    d->changes.clear();
    d->onRecord(d->cursor);
}
