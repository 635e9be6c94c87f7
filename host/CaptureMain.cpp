// capture: the headless host. Loads the module as any host does, opens its capture window on the
// offscreen platform and plays the user's part; prints what the window says and a summary.

#include "host/CaptureDriver.h"
#include "host/CaptureOptions.h"
#include "host/ConsoleDialogs.h"
#include "host/ModuleLoader.h"

#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QApplication>
#include <QTextStream>

#include <unistd.h>

namespace {

void printSummary(const CaptureDriver::Summary& summary) {
    QTextStream(stdout) << QStringLiteral("files: %1, lines: %2, captions looked up: %3, rows inserted: %4, "
                                          "time: %5 s")
                               .arg(summary.files)
                               .arg(summary.lines)
                               .arg(summary.lookups)
                               .arg(summary.inserted)
                               .arg(static_cast<double>(summary.milliseconds) / 1000.0, 0, 'f', 3)
                        << Qt::endl;
}

// The command says only what is its own: the window's messages, progress and the summary. Qt's
// notices about what the offscreen platform cannot do, or about a missing runtime directory, are
// not the user's business; anything critical still shows.
void keepQtNoticesQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << "capture: " << message << Qt::endl;
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(keepQtNoticesQuiet);
    // No screen is needed or used, whatever the environment says.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    QCoreApplication::setApplicationName(QStringLiteral("vdrhost"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VDR_VERSION));

    const CaptureOptions options = CaptureOptions::parse(QCoreApplication::arguments());
    switch (options.request()) {
    case CaptureOptions::Request::ShowHelp:
        QTextStream(stdout) << options.helpText();
        return 0;
    case CaptureOptions::Request::ShowVersion:
        QTextStream(stdout) << "capture " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    case CaptureOptions::Request::UsageError:
        QTextStream(stderr) << "capture: " << options.usageError() << "\nTry 'capture --help'." << Qt::endl;
        return 2;
    case CaptureOptions::Request::Run:
        break;
    }
    if (options.serverHost())
        ServerSettings::setOverride(options.serverHost(), options.serverPort());

    int failures = 0;
    Toolkit::setFailureHandler([&failures](const std::exception& failure) {
        ++failures;
        const auto* known = dynamic_cast<const Exception*>(&failure);
        QTextStream(stderr) << "capture: " << (known ? known->message() : QString::fromUtf8(failure.what()))
                            << Qt::endl;
    });
    auto dialogs = std::make_unique<ConsoleDialogs>(options.directory(), options.answerYes());
    ConsoleDialogs& console = *dialogs;
    setDialogService(std::move(dialogs));

    CaptureDriver driver(options.directory(), options.language(), options.typed(),
                         isatty(STDERR_FILENO) ? stderr : nullptr);
    ModuleLoader module(options.moduleLibraryPath());
    Toolkit::guarded([&] {
        driver.start();
        module.runEntry();
    });
    Toolkit::guarded([&module] { module.unload(); });

    if (driver.completed())
        printSummary(driver.summary());
    return failures == 0 && console.errorCount() == 0 && driver.completed() ? 0 : 1;
}
