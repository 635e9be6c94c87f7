#pragma once

#include "toolkit/Field.h"
#include "toolkit/FieldDefs.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

// An in-memory table with a change log, loaded from and sent back to the application server as
// JSON data packets and deltas (see docs/protocol.md for their form).

enum class TDataSetState { Inactive, Browse, Insert, Edit };

enum TLocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using TLocateOptions = unsigned;

class TClientDataSet {
public:
    using Event = std::function<void(TClientDataSet&)>;

    explicit TClientDataSet(QString name = {});
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    // Layout. Fields added here are the data set's persistent fields: a packet loaded later must
    // carry each of them (matched by name, ignoring case) with the same kind and a size that fits.
    // With no fields added, the layout is taken from the first packet loaded.
    TField* AddField(const QString& name, TFieldType kind, int size = 0);
    const QList<TFieldDef>& FieldDefs() const;
    int FieldCount() const;
    TField* FindField(const QString& name) const;   // nullptr when absent
    TField* FieldByName(const QString& name) const; // EDatabaseError when absent

    // Open with no rows (the layout must be known).
    void CreateDataSet();
    // Load a data packet as the whole content: the rows replace what was there, the change log
    // is emptied, the data set is active and on its first record. Throws EDatabaseError on a
    // packet that is malformed or does not fit the layout; the data set is then left closed.
    void SetData(const QJsonObject& packet);
    // The current content (pending changes applied) as a data packet.
    QJsonObject Data() const;

    void Open();
    void Close(); // drops rows and change log
    bool Active() const;
    TDataSetState State() const;

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    int RecNo() const; // 1-based; 0 when empty

    void Insert();
    void Append();
    void Edit();   // EDatabaseError on an empty data set
    void Post();   // then AfterPost; a failure of AfterPost passes out of Post
    void Cancel(); // in Insert/Edit state: discard the buffer, then AfterCancel
    void Delete(); // the current record, then AfterDelete

    // keyFields is "A;B"; values holds one value per key field. On a match the current record
    // moves to it and true is returned; otherwise the cursor stays.
    bool Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options);

    // The change log since the last load or merge.
    int GetChangeCount() const;
    QJsonObject GetDelta() const;
    void MergeChangeLog();
    void CancelUpdates();

    Event AfterPost;
    Event AfterDelete;
    Event AfterCancel;

private:
    friend class TField;
    struct Impl;
    QString name_;
    std::unique_ptr<Impl> d;
    std::vector<std::unique_ptr<TField>> fields_;
};

// Names a data set for data-aware controls; nothing in this tool binds one to a control.
class TDataSource {
public:
    explicit TDataSource(TClientDataSet* dataSet = nullptr) : dataSet_(dataSet) {}
    TClientDataSet* DataSet() const { return dataSet_; }

private:
    TClientDataSet* dataSet_;
};
