#include "widgets/ProgressBar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

void TProgressBar::paintEvent(QPaintEvent* event) {
    if (maximum() != minimum()) {
        QProgressBar::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    // Nothing done out of nothing to do: an empty bar, not one that is busy.
    option.minimum = 0;
    option.maximum = 1;
    option.progress = 0;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
