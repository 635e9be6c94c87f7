#include "selection/NameList.h"

#include "toolkit/Exceptions.h"

#include <QCoreApplication>

#include <algorithm>

const NameList::Entry& NameList::at(int index) const {
    if (index < 0 || index >= Count())
        throw Exception(QCoreApplication::translate("NameList", "List index out of bounds (%1)").arg(index));
    return entries_[index];
}

QString NameList::Items(int index) const {
    return at(index).text;
}

bool NameList::Selected(int index) const {
    return index >= 0 && index < Count() && entries_[index].selected;
}

void NameList::Add(const QString& text) {
    const auto place = std::upper_bound(
        entries_.begin(), entries_.end(), text, [](const QString& added, const Entry& entry) {
            return QString::compare(added, entry.text, Qt::CaseInsensitive) < 0;
        });
    entries_.insert(place, Entry{text});
}

void NameList::Delete(int index) {
    at(index);
    entries_.removeAt(index);
}

int NameList::IndexOf(const QString& text) const {
    for (int i = 0; i < Count(); ++i)
        if (QString::compare(entries_[i].text, text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void NameList::SetSelected(int index, bool selected) {
    if (index >= 0 && index < Count())
        entries_[index].selected = selected;
}

QStringList NameList::Texts() const {
    QStringList texts;
    for (const Entry& entry : entries_)
        texts.append(entry.text);
    return texts;
}
