#include "widgets/ListBox.h"

#include "toolkit/Exceptions.h"

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QString TListBox::Items(int index) const {
    const QListWidgetItem* entry = item(index);
    if (!entry)
        throw Exception(tr("List index out of bounds (%1)").arg(index));
    return entry->text();
}

int TListBox::Add(const QString& shown) {
    int at = count();
    if (sorted_) {
        // After the last entry that does not sort behind it, so equal names keep their order.
        int low = 0;
        int high = count();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (QString::compare(item(mid)->text(), shown, Qt::CaseInsensitive) <= 0)
                low = mid + 1;
            else
                high = mid;
        }
        at = low;
    }
    insertItem(at, shown);
    return at;
}

void TListBox::Delete(int index) {
    if (index < 0 || index >= count())
        throw Exception(tr("List index out of bounds (%1)").arg(index));
    delete takeItem(index);
}

bool TListBox::Selected(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry && entry->isSelected();
}

void TListBox::SetSelected(int index, bool selected) {
    if (QListWidgetItem* entry = item(index))
        entry->setSelected(selected);
}

int TListBox::IndexOf(const QString& wanted) const {
    for (int i = 0; i < count(); ++i)
        if (QString::compare(item(i)->text(), wanted, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
