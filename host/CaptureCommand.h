#pragma once

#include "host/CaptureOptions.h"
#include "host/CaptureReport.h"
#include "host/ConsoleCapture.h"

#include "capture/CaptureRun.h"
#include "capture/TranslationDataSets.h"
#include "selection/FileLists.h"
#include "selection/LanguageList.h"
#include "server/ChangeApplication.h"
#include "server/ServerLink.h"

#include "components/Messages.h"
#include "components/NetConnection.h"
#include "signals/UnixSignalBridge.h"

#include <QCoreApplication>
#include <QStringList>

// The capture command's run: the window's steps on the same plain classes, with the user's part
// played from the command line. It connects and fetches the languages as the window's creation
// does, lists and selects each directory's files in turn, shows the language and runs the capture
// or the check; then prints the summary and writes the report.
class CaptureCommand {
    Q_DECLARE_TR_FUNCTIONS(CaptureCommand)

public:
    CaptureCommand(const CaptureOptions& options, ConsoleCapture::Streams streams);

    // The exit status: 0 done (a check: nothing new), 3 a check found rows to insert, 1 failed.
    int Exec();

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
    TNetConnection connection_;
    TranslationDataSets data_;
    TMessages messages_;
    AnsiString languageCode_;
    ServerLink link_{connection_, view_};
    ChangeApplication changes_{connection_, view_};
    CaptureRun run_{view_, data_, link_, messages_, languageCode_};
    FileLists files_{view_, messages_};
    LanguageList languages_{link_, data_.cdsIdiLeDfm};
    // From the first file's scan until the run ends, SIGINT and SIGTERM stop the scan where it is,
    // as the window's Cancel button does, so that the report can say where; a second one ends the
    // command at once.
    UnixSignalBridge stopSignals_;
    int stoppedBy_ = 0;
    bool runStarted_ = false;
    qint64 milliseconds_ = 0;
    QStringList failures_;
};
