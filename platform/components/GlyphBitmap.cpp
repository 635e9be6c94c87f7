#include "components/GlyphBitmap.h"

#include <QImage>
#include <QPainter>

namespace {

// The sixteen colours of the classic palette, with the first entry standing for "no colour" so
// that the button's face shows through.
QList<QRgb> sixteenColours() {
    return {qRgba(0, 0, 0, 0),   qRgb(128, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 255, 255), qRgb(0, 0, 0),     qRgb(0, 255, 255)};
}

} // namespace

QPixmap MakeGlyph(const std::function<void(QPainter& painter, const QColor& ink, bool enabled)>& draw) {
    QImage canvas(32, 16, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        draw(painter, Qt::black, true);
        // Disabled image: the white shadow first, one pixel down and right, then grey on top.
        painter.translate(17, 1);
        draw(painter, Qt::white, false);
        painter.translate(-1, -1);
        draw(painter, QColor(128, 128, 128), false);
    }
    const QImage indexed = canvas.convertToFormat(QImage::Format_Indexed8, sixteenColours(),
                                                  Qt::ThresholdDither | Qt::AvoidDither);
    return QPixmap::fromImage(indexed);
}
