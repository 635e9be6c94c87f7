#include "toolkit/ClientDataSet.h"

#include "toolkit/ChangeLog.h"
#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/PacketLoader.h"
#include "wire/DateTimeText.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <algorithm>
#include <optional>

using DataPacket::Row;

namespace {

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
                return QVariant(DateTimeText::format(key.toDateTime()).toLatin1());
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
            const QDateTime value =
                isText ? DateTimeText::parse(key.toString()).value_or(QDateTime()) : key.toDateTime();
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

struct TClientDataSet::Impl final : FieldRecord {
    explicit Impl(TClientDataSet& o) : owner(o) {}

    TClientDataSet& owner;
    QList<TFieldDef> defs;
    bool persistentLayout = false; // defs came from AddField, not from a packet

    TDataSetState state = TDataSetState::Inactive;
    ChangeLog log;
    PacketLoader packets;

    qsizetype cursor = 0;
    bool eof = true;
    bool bof = true;

    Row buffer; // the record being inserted or edited
    qsizetype insertAt = 0;
    bool modified = false;

    const std::vector<ChangeLog::Record>& records() const { return log.records(); }

    QString label() const {
        return owner.name_.isEmpty()
                   ? QCoreApplication::translate("TClientDataSet", "Data set")
                   : QCoreApplication::translate("TClientDataSet", "Data set %1").arg(owner.name_);
    }
    [[noreturn]] void fail(const QString& text) const {
        throw EDatabaseError(QStringLiteral("%1: %2").arg(label(), text));
    }
    void requireActive() const {
        if (state == TDataSetState::Inactive)
            throw EDatabaseError(
                QCoreApplication::translate("TClientDataSet", "%1 is not open").arg(label()));
    }
    bool editing() const { return state == TDataSetState::Insert || state == TDataSetState::Edit; }

    // ---- the record the fields read and write ----

    const TFieldDef& fieldDef(int index) const override { return defs.at(index); }

    QVariant fieldValue(int index) const override {
        requireActive();
        if (editing())
            return buffer.at(index);
        if (records().empty())
            return {};
        return records().at(static_cast<size_t>(cursor)).values.at(index);
    }

    void requireEditing() const override {
        requireActive();
        if (!editing())
            fail(QCoreApplication::translate("TClientDataSet", "Not in Insert or Edit state"));
    }

    void setFieldValue(int index, const QVariant& value) override {
        requireEditing();
        const TFieldDef& def = defs.at(index);
        if (!value.isNull() && def.kind == TFieldType::String) {
            try {
                DataPacket::checkLength(def, value.toByteArray());
            } catch (const EDatabaseError& e) {
                fail(e.message());
            }
        }
        buffer[index] = value;
        modified = true;
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

    void startInsert(qsizetype at) {
        insertAt = at;
        buffer = Row(defs.size());
        modified = false;
        state = TDataSetState::Insert;
    }

    void endEditing() {
        buffer.clear();
        modified = false;
        state = TDataSetState::Browse;
    }

    void onRecord(qsizetype index) {
        const auto count = static_cast<qsizetype>(records().size());
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
        log.clear();
        buffer.clear();
        modified = false;
        cursor = 0;
        eof = bof = true;
    }
};

// A field reads its data set's record through Impl, which only this file can see.
TField::TField(TClientDataSet& dataSet, int index) : record_(*dataSet.d), index_(index) {}

// ---- TClientDataSet: layout ----

TClientDataSet::TClientDataSet(QString name) : name_(std::move(name)), d(std::make_unique<Impl>(*this)) {}

TClientDataSet::~TClientDataSet() = default;

TField* TClientDataSet::AddField(const QString& name, TFieldType kind, int size) {
    if (Active())
        d->fail(
            QCoreApplication::translate("TClientDataSet", "Cannot add field %1 while the data set is open")
                .arg(name));
    if (name.isEmpty())
        d->fail(QCoreApplication::translate("TClientDataSet", "A field needs a name"));
    if (kind == TFieldType::String && size < 1)
        d->fail(QCoreApplication::translate("TClientDataSet", "String field %1 needs a size of at least 1")
                    .arg(name));
    if (!d->persistentLayout) {
        // A layout taken from an earlier packet gives way to the fields the program declares.
        d->setLayout({});
        d->persistentLayout = true;
    }
    if (DataPacket::indexOfField(d->defs, name) >= 0)
        d->fail(QCoreApplication::translate("TClientDataSet", "Field %1 is already defined").arg(name));

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
    const qsizetype index = DataPacket::indexOfField(d->defs, name);
    return index < 0 ? nullptr : fields_.at(static_cast<size_t>(index)).get();
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field)
        d->fail(QCoreApplication::translate("TClientDataSet", "Field %1 not found").arg(name));
    return field;
}

// ---- opening and loading ----

void TClientDataSet::CreateDataSet() {
    if (d->defs.isEmpty())
        d->fail(QCoreApplication::translate("TClientDataSet", "Cannot open a data set without fields"));
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
    PacketLoader::Content content;
    try {
        content = d->packets.load(packet, d->persistentLayout ? &d->defs : nullptr);
    } catch (const EDatabaseError& e) {
        d->fail(e.message());
    }
    d->setLayout(content.layout);
    d->log.load(std::move(content.rows));
    d->state = TDataSetState::Browse;
    d->onRecord(0);
}

QJsonObject TClientDataSet::Data() const {
    d->requireActive();
    QJsonArray rows;
    for (const ChangeLog::Record& record : d->records())
        rows.append(DataPacket::rowToJson(record.values, d->defs));
    return QJsonObject{{QStringLiteral("fields"), d->packets.fieldsJson(d->defs)},
                       {QStringLiteral("rows"), rows}};
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
    d->onRecord(static_cast<qsizetype>(d->records().size()) - 1);
}

void TClientDataSet::Next() {
    d->requireActive();
    d->leaveEditing();
    if (d->cursor + 1 < static_cast<qsizetype>(d->records().size())) {
        ++d->cursor;
        d->eof = d->bof = false;
    } else {
        d->eof = true;
    }
}

void TClientDataSet::Prior() {
    d->requireActive();
    d->leaveEditing();
    if (d->cursor > 0 && !d->records().empty()) {
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
    return static_cast<int>(d->records().size());
}

int TClientDataSet::RecNo() const {
    if (d->state == TDataSetState::Insert)
        return static_cast<int>(d->insertAt + 1);
    return d->records().empty() ? 0 : static_cast<int>(d->cursor + 1);
}

// ---- editing ----

void TClientDataSet::Insert() {
    d->requireActive();
    d->leaveEditing();
    d->startInsert(d->records().empty() ? 0 : d->cursor);
}

void TClientDataSet::Append() {
    d->requireActive();
    d->leaveEditing();
    d->startInsert(static_cast<qsizetype>(d->records().size()));
}

void TClientDataSet::Edit() {
    d->requireActive();
    if (d->editing())
        return;
    if (d->records().empty())
        d->fail(QCoreApplication::translate("TClientDataSet", "Cannot edit: the data set is empty"));
    d->buffer = d->records().at(static_cast<size_t>(d->cursor)).values;
    d->modified = false;
    d->state = TDataSetState::Edit;
}

void TClientDataSet::Post() {
    d->requireActive();
    if (!d->editing())
        return;

    if (d->state == TDataSetState::Insert) {
        d->log.insert(d->insertAt, std::move(d->buffer));
        d->cursor = d->insertAt;
    } else {
        d->log.update(d->cursor, std::move(d->buffer));
    }
    d->endEditing();
    d->eof = d->bof = false;

    if (AfterPost)
        AfterPost(*this);
}

void TClientDataSet::Cancel() {
    if (!d->editing())
        return;
    d->endEditing();
    if (AfterCancel)
        AfterCancel(*this);
}

void TClientDataSet::Delete() {
    d->requireActive();
    if (d->state == TDataSetState::Insert) {
        Cancel(); // the new record never reached the data
        return;
    }
    if (d->state == TDataSetState::Edit)
        d->endEditing();
    if (d->records().empty())
        d->fail(QCoreApplication::translate("TClientDataSet", "Cannot delete: the data set is empty"));

    d->log.remove(d->cursor);
    d->onRecord(d->cursor);

    if (AfterDelete)
        AfterDelete(*this);
}

// ---- search ----

bool TClientDataSet::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options) {
    d->requireActive();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        d->fail(QCoreApplication::translate("TClientDataSet", "Locate needs at least one key field"));
    if (names.size() != values.size())
        d->fail(QCoreApplication::translate("TClientDataSet", "Locate got %1 values for %2 key fields")
                    .arg(values.size())
                    .arg(names.size()));

    QList<qsizetype> columns;
    for (const QString& name : names) {
        const qsizetype column = DataPacket::indexOfField(d->defs, name.trimmed());
        if (column < 0)
            d->fail(QCoreApplication::translate("TClientDataSet", "Field %1 not found").arg(name.trimmed()));
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

    const auto matches = [&](const ChangeLog::Record& record) {
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
    const auto found = std::find_if(d->records().begin(), d->records().end(), matches);
    if (found == d->records().end())
        return false;
    d->onRecord(found - d->records().begin());
    return true;
}

// ---- change log ----

int TClientDataSet::GetChangeCount() const {
    return d->log.changeCount();
}

QJsonObject TClientDataSet::GetDelta() const {
    return d->log.delta(d->defs, d->packets.fieldsJson(d->defs));
}

void TClientDataSet::MergeChangeLog() {
    if (!Active())
        return;
    d->leaveEditing();
    d->log.merge();
}

void TClientDataSet::CancelUpdates() {
    if (!Active())
        return;
    Cancel();
    d->log.cancel();
    d->onRecord(d->cursor);
}
