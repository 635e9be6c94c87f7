#pragma once

#include <QLineEdit>

// A one-line edit field that also reports the focus leaving it for another control of its window
// and each key pressed in it, before the field handles the key itself. Keys are reported by their
// virtual-key codes (F9 is 120), which is what key handlers of this application test for.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

signals:
    void exited();
    void keyDown(int key, Qt::KeyboardModifiers shift);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
