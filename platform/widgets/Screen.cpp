#include "widgets/Screen.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
TCursor current = crDefault;

Qt::CursorShape shapeOf(TCursor cursor) {
    switch (cursor) {
    case crHourGlass:
        return Qt::WaitCursor;
    case crArrow:
    case crDefault:
        break;
    }
    return Qt::ArrowCursor;
}
} // namespace

namespace Screen {

TCursor Cursor() {
    return current;
}

void SetCursor(TCursor cursor) {
    if (cursor == current)
        return;
    // One override at most: the screen has one cursor, not a stack of them.
    if (current != crDefault)
        QGuiApplication::restoreOverrideCursor();
    if (cursor != crDefault)
        QGuiApplication::setOverrideCursor(QCursor(shapeOf(cursor)));
    current = cursor;
}

} // namespace Screen
