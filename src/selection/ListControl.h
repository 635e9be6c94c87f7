#pragma once

#include <QString>

// What the file lists need of a list control: its texts, in the control's (sorted) order, and
// which of them the user has selected.
class ListControl {
public:
    virtual ~ListControl() = default;
    virtual int Count() const = 0;
    virtual QString Items(int index) const = 0;
    virtual bool Selected(int index) const = 0;
    virtual void Add(const QString& text) = 0;
    virtual void Delete(int index) = 0;
    // Without regard to letter case; -1 when absent.
    virtual int IndexOf(const QString& text) const = 0;
    virtual void Clear() = 0;
};
