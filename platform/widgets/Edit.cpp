#include "widgets/Edit.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

int virtualKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey; // the same codes as ASCII
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Delete:
        return 46;
    default:
        return qtKey;
    }
}

} // namespace

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Only a move to another control of the same window leaves the field: the window losing
    // activation, a dialog opening over it or a popup showing do not.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (const QWidget* next = QApplication::focusWidget(); next && next->window() != window())
        return;
    emit exited();
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    emit keyDown(virtualKeyOf(event->key()), event->modifiers());
    QLineEdit::keyPressEvent(event);
}
