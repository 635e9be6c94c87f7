#pragma once

#include "host/CaptureReport.h"
#include "host/StopSignals.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdio>

class ConsoleDialogs;
class QWidget;

// Plays the user's part in the capture window: names each directory in turn and moves its files
// to the selected list, chooses the language and presses import. Everything the capture does
// happens in the window's own handlers; this only clicks and types, and watches: what the window
// tells of the run goes into the report. Asked to stop during the scan, it presses Cancel.
class CaptureDriver : public QObject {
    Q_OBJECT
public:
    struct Options {
        QStringList directories;
        QString language;
        bool typed = false;
        bool check = false;
    };
    struct Summary {
        int files = 0;
        int lines = 0;
        qint64 milliseconds = 0;
    };

    // The directory dialog is answered through console; progress goes to the terminal, if any.
    CaptureDriver(Options options, ConsoleDialogs& console, CaptureReport& report, FILE* progress);

    // Waits for the capture window to be shown, then drives it and closes it. Failures go to the
    // toolkit's failure handling.
    void start();

    bool completed() const { return completed_; }
    // The signal (SIGINT, SIGTERM) that stopped the scan where it was, 0 for none.
    int stoppedBy() const { return stoppedBy_; }
    const Summary& summary() const { return summary_; }

private slots:
    void fileScanStarted(const QString& path, int lines);
    void captionLookedUp(const QString& path, int line);
    void captionRecorded(const QVariantMap& caption);

private:
    void drive();
    void drive(QWidget& form);
    void follow(QWidget& form);
    void selectFiles(QWidget& form);
    void showProgress();
    void stopScan(int signalNumber);

    Options options_;
    ConsoleDialogs& console_;
    CaptureReport& report_;
    FILE* progress_;
    QWidget* form_ = nullptr;
    QTimer progressTimer_;
    QElapsedTimer clock_;
    Summary summary_;
    bool completed_ = false;
    // From the first file's scan until the run ends, SIGINT and SIGTERM stop the scan as the
    // window's Cancel button does, so that the report can say where.
    StopSignals stopSignals_;
    int stoppedBy_ = 0;
};
