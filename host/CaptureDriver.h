#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>

class QWidget;

// Plays the user's part in the capture window: names the directory, moves every file to the
// selected list, chooses the language and presses import. Everything the capture does happens in
// the window's own handlers; this only clicks and types, and watches.
class CaptureDriver : public QObject {
    Q_OBJECT
public:
    struct Summary {
        int files = 0;
        int lines = 0;
        int lookups = 0;
        int inserted = 0;
        qint64 milliseconds = 0;
    };

    CaptureDriver(QString directory, QString language, bool typed, FILE* progress);
    ~CaptureDriver() override;

    // Waits for the capture window to be shown, then drives it and closes it. Failures go to the
    // toolkit's failure handling.
    void start();

    bool completed() const { return completed_; }
    const Summary& summary() const { return summary_; }

private:
    void drive();
    void drive(QWidget& form);
    void showProgress();

    QString directory_;
    QString language_;
    bool typed_;
    FILE* progress_;
    QWidget* form_ = nullptr;
    QTimer progressTimer_;
    QElapsedTimer clock_;
    Summary summary_;
    bool completed_ = false;
};
