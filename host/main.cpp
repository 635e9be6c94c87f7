#include "host/HostOptions.h"
#include "host/MainWindow.h"
#include "host/ModuleLoader.h"

#include "toolkit/FailureHandling.h"
#include "widgets/ScreenDialogs.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // ServerSettings keeps the address in QSettings("Vdr", "vdrhost"): these names pick that file.
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    QCoreApplication::setApplicationName(QStringLiteral("vdrhost"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VDR_VERSION));

    const HostOptions options = HostOptions::parse(QCoreApplication::arguments());
    switch (options.request()) {
    case HostOptions::Request::ShowHelp:
        QTextStream(stdout) << options.helpText();
        return 0;
    case HostOptions::Request::ShowVersion:
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << '\n';
        return 0;
    case HostOptions::Request::UsageError:
        QTextStream(stderr) << "vdrhost: " << options.usageError() << "\nTry 'vdrhost --help'.\n";
        return 2;
    case HostOptions::Request::Run:
        break;
    }
    options.applyServerOverride();
    // The host's dialogs are on screen: message boxes and the directory chooser.
    setDialogService(std::make_unique<ScreenDialogs>());

    ModuleLoader module(options.moduleLibraryPath());
    MainWindow window(module);
    window.show();
    // Queued, so the capture window opens over a main window that is already on screen.
    if (options.captureAtStart())
        QMetaObject::invokeMethod(&window, &MainWindow::openCapture, Qt::QueuedConnection);
    const int status = QApplication::exec();
    // Finalize while the main window, owner of any window the module left open, still exists.
    Toolkit::guarded([&module] { module.unload(); });
    return status;
}
