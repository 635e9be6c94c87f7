#pragma once

#include <QColor>
#include <QPixmap>

#include <functional>

class QPainter;

// Builds a flat-button glyph: a 32x16, 16-colour bitmap holding the normal 16x16 image on the
// left and the disabled one on the right. draw paints one 16x16 image; it gets the colour to use
// for ink (the disabled image is the same drawing in grey with a white shadow).
QPixmap MakeGlyph(const std::function<void(QPainter& painter, const QColor& ink, bool enabled)>& draw);
