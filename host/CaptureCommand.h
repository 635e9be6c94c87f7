#pragma once

#include "host/CaptureOptions.h"
#include "host/CaptureReport.h"
#include "host/ConsoleCapture.h"

#include "capture/CaptureAssembly.h"

#include "components/Messages.h"
#include "signals/UnixSignalBridge.h"

#include <QCoreApplication>
#include <QStringList>

// The capture command's run: the capture's assembly over console views. It connects and fetches
// the languages, opens each directory named and selects its files, takes the language and runs the
// capture or the check, with calls in flight and changes judged; then prints the summary and writes
// the report.
class CaptureCommand {
    Q_DECLARE_TR_FUNCTIONS(CaptureCommand)

public:
    CaptureCommand(const CaptureOptions& options, ConsoleCapture::Streams streams);

    // Requests in flight at most: enough to keep a server 50 ms away busy (some hundred look-ups, or
    // a hundred rows), few enough that the server still serves its other clients in turn and that a
    // stop signal is not followed by a long tail of rows already on their way.
    static constexpr qint64 kRoomInFlight = 64 * 1024;

    // The exit status: 0 done (a check: nothing new), 3 a check found rows to insert, 1 failed or
    // declined at the confirmation.
    int exec();

private:
    void selectFiles();
    void showLanguage(const QStringList& languages);
    void runCapture();
    void fail(const std::exception& failure);
    void printSummary();

    const CaptureOptions& options_;
    ConsoleCapture::Streams streams_;
    CaptureReport report_;
    ConsoleCapture view_;
    TMessages messages_;
    AnsiString languageCode_;
    CaptureAssembly capture_{{view_, view_, view_}, messages_, languageCode_};
    // From the first file's scan until the run ends, SIGINT and SIGTERM stop the scan where it is,
    // as the window's Cancel button does, so that the report can say where; a second one ends the
    // command at once.
    UnixSignalBridge stopSignals_;
    int stoppedBy_ = 0;
    bool runStarted_ = false;
    qint64 milliseconds_ = 0;
    QStringList failures_;
};
