// capture: the headless host. Loads the module as any host does, opens its capture window on the
// offscreen platform and plays the user's part; prints what the window says and a summary.

#include "host/CaptureDriver.h"
#include "host/CaptureOptions.h"
#include "host/ConsoleDialogs.h"
#include "host/ModuleLoader.h"
#include "host/ReportFile.h"

#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QApplication>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

namespace {

// A check found captions the table does not hold yet.
constexpr int kExitNewCaptions = 3;

void printSummary(const CaptureDriver::Summary& summary, const CaptureReport& report) {
    const QString rows = report.mode() == CaptureReport::Mode::Check ? QStringLiteral("rows it would insert")
                                                                     : QStringLiteral("rows inserted");
    QTextStream(stdout) << QStringLiteral("files: %1, lines: %2, captions looked up: %3, %4: %5, time: %6 s")
                               .arg(summary.files)
                               .arg(summary.lines)
                               .arg(report.lookups())
                               .arg(rows)
                               .arg(report.rows().size())
                               .arg(static_cast<double>(summary.milliseconds) / 1000.0, 0, 'f', 3)
                        << Qt::endl;
}

QString serverAddress() {
    const ServerSettings::Address address = ServerSettings::effective();
    return address.host + QLatin1Char(':') + QString::number(address.port);
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
    options.applyServerOverride();

    QStringList failures;
    Toolkit::setFailureHandler([&failures](const std::exception& failure) {
        const auto* known = dynamic_cast<const Exception*>(&failure);
        failures.append(known ? known->message() : QString::fromUtf8(failure.what()));
        QTextStream(stderr) << "capture: " << failures.constLast() << Qt::endl;
    });
    auto dialogs = std::make_unique<ConsoleDialogs>(options.answerYes());
    ConsoleDialogs& console = *dialogs;
    setDialogService(std::move(dialogs));

    CaptureReport report(options.check() ? CaptureReport::Mode::Check : CaptureReport::Mode::Run,
                         options.language(), serverAddress());
    CaptureDriver driver({options.directories(), options.language(), options.typed(), options.check()},
                         console, report, isatty(STDERR_FILENO) ? stderr : nullptr);
    ModuleLoader module(options.moduleLibraryPath());
    Toolkit::guarded([&] {
        driver.start();
        module.runEntry();
    });
    Toolkit::guarded([&module] { module.unload(); });

    // The window's error messages are failures too; a run the driver could not finish says so.
    QStringList problems = console.errors() + failures;
    if (driver.stoppedBy() != 0) {
        const QString stopped =
            QStringLiteral("Stopped by %1 at %2:%3")
                .arg(driver.stoppedBy() == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"),
                     report.lastFile())
                .arg(report.lastLine());
        QTextStream(stderr) << "capture: " << stopped << Qt::endl;
        problems.append(stopped);
    }
    if (problems.isEmpty() && !driver.completed())
        problems.append(QStringLiteral("The capture did not finish"));
    report.finish(problems);
    if (driver.completed())
        printSummary(driver.summary(), report);
    const qsizetype failuresOfTheRun = failures.size();
    if (!options.reportPath().isEmpty())
        Toolkit::guarded([&] { ReportFile::write(options.reportPath(), report); });
    if (!report.completed() || failures.size() > failuresOfTheRun)
        return 1;
    return options.check() && !report.rows().isEmpty() ? kExitNewCaptions : 0;
}
