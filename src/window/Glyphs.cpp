#include "window/Glyphs.h"

#include "components/GlyphBitmap.h"

#include <QPainter>
#include <QPolygon>

namespace {

// A solid triangle pointing right (or left) whose tip is at x, centred on row 7.
void arrowHead(QPainter& p, const QColor& colour, int x, bool right) {
    const int back = right ? x - 4 : x + 4;
    const QPolygon head({QPoint(back, 3), QPoint(x, 7), QPoint(back, 11)});
    p.setPen(colour);
    p.setBrush(colour);
    p.drawPolygon(head);
}

QPixmap arrows(int count, bool right) {
    return MakeGlyph([count, right](QPainter& p, const QColor& ink, bool) {
        // Two heads side by side for "all", one centred for "selected".
        const int first = count == 1 ? (right ? 10 : 6) : (right ? 8 : 4);
        for (int i = 0; i < count; ++i)
            arrowHead(p, ink, first + 5 * i, right);
    });
}

} // namespace

namespace Glyphs {

QPixmap OpenFolder() {
    return MakeGlyph([](QPainter& p, const QColor& ink, bool enabled) {
        const QColor paper = enabled ? QColor(255, 255, 0) : Qt::transparent;
        const QColor front = enabled ? QColor(128, 128, 0) : Qt::transparent;
        // Back of the folder with its tab.
        p.setPen(ink);
        p.setBrush(paper);
        p.drawPolygon(QPolygon(
            {QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4), QPoint(12, 7), QPoint(1, 13)}));
        // Front flap, opened towards the viewer.
        p.setBrush(front);
        p.drawPolygon(QPolygon({QPoint(1, 13), QPoint(4, 7), QPoint(15, 7), QPoint(12, 13)}));
    });
}

QPixmap ArrowRight() {
    return arrows(1, true);
}

QPixmap DoubleArrowRight() {
    return arrows(2, true);
}

QPixmap ArrowLeft() {
    return arrows(1, false);
}

QPixmap DoubleArrowLeft() {
    return arrows(2, false);
}

} // namespace Glyphs
