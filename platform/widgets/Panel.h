#pragma once

#include <QFrame>

// Where a control sits in its parent: docked to a side, filling what is left, or placed by hand.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TBevel { bvNone, bvLowered, bvRaised };

// Places each aligned child of a widget: top and bottom docks first, then left and right, in the
// order they were aligned, and the client child gets what remains. Children with alNone keep
// the geometry given to them.
void SetAlign(QWidget* control, TAlign align);
void RealignChildren(QWidget* parent);

// A panel with the classic two bevels and an optional centred caption.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    void SetBevelInner(TBevel bevel);
    void SetBevelOuter(TBevel bevel);
    // Pixels taken by the bevels on each side.
    int BorderWidth() const;

    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TBevel bevelInner_ = TBevel::bvNone;
    TBevel bevelOuter_ = TBevel::bvRaised;
    QString caption_;
};
