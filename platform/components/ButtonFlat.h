#pragma once

#include <QToolButton>

class QPixmap;

// A flat button whose glyph bitmap holds two 16x16 images side by side: the normal one and the
// one shown while the button is disabled.
class TButtonFlat : public QToolButton {
    Q_OBJECT
public:
    explicit TButtonFlat(QWidget* parent = nullptr);

    // A bitmap of 32x16 (or any width twice its height) gives both images; a square one serves
    // as the normal image and Qt greys it out for the disabled state.
    void SetGlyph(const QPixmap& glyph);
    const QPixmap& Glyph() const { return glyph_; }

private:
    QPixmap glyph_;
};
