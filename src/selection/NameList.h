#pragma once

#include "selection/ListControl.h"

#include <QList>
#include <QString>

// The file lists' rule for a list of names, without a control: kept in alphabetical order without
// regard to letter case (a name goes after the names equal to it), each entry selectable. The
// window's list boxes sort the same way; the capture command and the tests use this instead.
class NameList : public ListControl {
public:
    int Count() const override { return static_cast<int>(entries_.size()); }
    QString Items(int index) const override;
    bool Selected(int index) const override;
    void Add(const QString& text) override;
    void Delete(int index) override;
    int IndexOf(const QString& text) const override;
    void Clear() override { entries_.clear(); }

    void SetSelected(int index, bool selected);
    QStringList Texts() const;

private:
    struct Entry {
        QString text;
        bool selected = false;
    };
    const Entry& at(int index) const;

    QList<Entry> entries_;
};
