#include "widgets/Panel.h"

#include <QPainter>
#include <QVariant>

#include <algorithm>

namespace {

const char* const kAlignProperty = "vdrAlign";
const char* const kAlignOrderProperty = "vdrAlignOrder";

int nextAlignOrder() {
    static int order = 0;
    return ++order;
}

void drawBevel(QPainter& painter, QRect& rect, TBevel bevel, const QPalette& palette) {
    if (bevel == TBevel::bvNone)
        return;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = bevel == TBevel::bvRaised ? light : dark;
    const QColor bottomRight = bevel == TBevel::bvRaised ? dark : light;
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    rect.adjust(1, 1, -1, -1);
}

TAlign AlignOf(const QWidget* control) {
    const QVariant value = control->property(kAlignProperty);
    return value.isValid() ? static_cast<TAlign>(value.toInt()) : TAlign::alNone;
}

int contentInset(const QWidget* parent) {
    if (const auto* panel = qobject_cast<const TPanel*>(parent))
        return panel->BorderWidth();
    return 0;
}

} // namespace

void SetAlign(QWidget* control, TAlign align) {
    control->setProperty(kAlignProperty, static_cast<int>(align));
    control->setProperty(kAlignOrderProperty, nextAlignOrder());
    if (control->parentWidget())
        RealignChildren(control->parentWidget());
}

void RealignChildren(QWidget* parent) {
    QList<QWidget*> aligned;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && AlignOf(widget) != TAlign::alNone)
            aligned.append(widget);
    }
    std::stable_sort(aligned.begin(), aligned.end(), [](const QWidget* a, const QWidget* b) {
        return a->property(kAlignOrderProperty).toInt() < b->property(kAlignOrderProperty).toInt();
    });

    const int inset = contentInset(parent);
    QRect free = parent->rect().adjusted(inset, inset, -inset, -inset);
    const auto dock = [&](TAlign side) {
        for (QWidget* w : aligned) {
            if (AlignOf(w) != side || w->isHidden())
                continue;
            switch (side) {
            case TAlign::alTop:
                w->setGeometry(free.left(), free.top(), free.width(), w->height());
                free.setTop(free.top() + w->height());
                break;
            case TAlign::alBottom:
                w->setGeometry(free.left(), free.bottom() + 1 - w->height(), free.width(), w->height());
                free.setBottom(free.bottom() - w->height());
                break;
            case TAlign::alLeft:
                w->setGeometry(free.left(), free.top(), w->width(), free.height());
                free.setLeft(free.left() + w->width());
                break;
            case TAlign::alRight:
                w->setGeometry(free.right() + 1 - w->width(), free.top(), w->width(), free.height());
                free.setRight(free.right() - w->width());
                break;
            case TAlign::alClient:
                w->setGeometry(free);
                break;
            case TAlign::alNone:
                break;
            }
        }
    };
    for (TAlign side : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        dock(side);
}

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

void TPanel::SetBevelInner(TBevel bevel) {
    bevelInner_ = bevel;
    RealignChildren(this);
    update();
}

void TPanel::SetBevelOuter(TBevel bevel) {
    bevelOuter_ = bevel;
    RealignChildren(this);
    update();
}

int TPanel::BorderWidth() const {
    return (bevelInner_ != TBevel::bvNone ? 1 : 0) + (bevelOuter_ != TBevel::bvNone ? 1 : 0);
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect rect = this->rect();
    drawBevel(painter, rect, bevelOuter_, palette());
    drawBevel(painter, rect, bevelInner_, palette());
    if (!caption_.trimmed().isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect, Qt::AlignCenter, caption_);
    }
}

void TPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    RealignChildren(this);
}
