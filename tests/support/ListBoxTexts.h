#pragma once

#include "widgets/ListBox.h"

#include <QStringList>

// A list box's texts in its order.
inline QStringList entries(const TListBox& list) {
    QStringList all;
    for (int i = 0; i < list.Count(); ++i)
        all.append(list.Items(i));
    return all;
}

inline void fill(TListBox& list, const QStringList& texts) {
    for (const QString& text : texts)
        list.Add(text);
}
