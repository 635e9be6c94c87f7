#pragma once

#include <QProgressBar>

// A progress bar that shows an empty bar when there is nothing to count (minimum equal to
// maximum), where Qt's would run its endless busy animation.
class TProgressBar : public QProgressBar {
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent* event) override;
};
