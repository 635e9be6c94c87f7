#pragma once

#include <QPixmap>

// The capture window's button pictures, drawn in code: each a 32x16 bitmap with the normal and
// the disabled image.
namespace Glyphs {
QPixmap OpenFolder();
QPixmap ArrowRight();
QPixmap DoubleArrowRight();
QPixmap ArrowLeft();
QPixmap DoubleArrowLeft();
} // namespace Glyphs
