#include "components/ButtonFlat.h"

#include <QIcon>
#include <QPixmap>

TButtonFlat::TButtonFlat(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TButtonFlat::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    QIcon icon;
    const int side = glyph.height();
    if (side > 0 && glyph.width() >= 2 * side) {
        icon.addPixmap(glyph.copy(0, 0, side, side), QIcon::Normal);
        icon.addPixmap(glyph.copy(side, 0, side, side), QIcon::Disabled);
    } else if (!glyph.isNull()) {
        icon.addPixmap(glyph, QIcon::Normal);
    }
    setIcon(icon);
}
