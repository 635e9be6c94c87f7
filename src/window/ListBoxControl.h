#pragma once

#include "selection/ListControl.h"

#include "widgets/ListBox.h"

// A list box as the file lists see it.
class ListBoxControl : public ListControl {
public:
    explicit ListBoxControl(TListBox* box) : box_(box) {}

    int Count() const override { return box_->Count(); }
    QString Items(int index) const override { return box_->Items(index); }
    bool Selected(int index) const override { return box_->Selected(index); }
    void Add(const QString& text) override { box_->Add(text); }
    void Delete(int index) override { box_->Delete(index); }
    int IndexOf(const QString& text) const override { return box_->IndexOf(text); }
    void Clear() override { box_->Clear(); }

private:
    TListBox* box_;
};
