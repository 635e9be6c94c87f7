#pragma once

#include <QListWidget>

// A list of text entries (file names and paths, in the platform's own form), optionally kept in alphabetical
// order without regard to letter case (the same name may stand twice), with several entries selectable at
// once.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    void SetSorted(bool sorted) { sorted_ = sorted; }

    int Count() const { return count(); }
    QString Items(int index) const;
    // Adds text at its alphabetical place (at the end when not sorted); returns its index.
    int Add(const QString& text);
    void Delete(int index);
    void Clear() { clear(); }
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    // Index of the entry equal to text ignoring letter case, or -1.
    int IndexOf(const QString& text) const;

private:
    bool sorted_ = false;
};
