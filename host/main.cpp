#include "host/HostOptions.h"
#include "host/MainWindow.h"
#include "host/ModuleLoader.h"

#include "locale/Translations.h"
#include "toolkit/FailureHandling.h"
#include "widgets/Application.h"
#include "widgets/ScreenDialogs.h"

#include <QApplication>
#include <QTextStream>

#include <optional>

namespace {

// Whether Qt has a screen to open windows on: a display to connect to, or a platform named
// outright (offscreen, say).
bool displayAvailable(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "-platform") == 0)
            return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Help, version and usage errors: the exit status once answered, nothing for a run.
std::optional<int> answerWithoutRunning(const HostOptions& options) {
    return options.answer(QStringLiteral("vdrhost"),
                          QCoreApplication::translate("HostMain", "vdrhost: %1\nTry 'vdrhost --help'.\n"));
}

} // namespace

int main(int argc, char* argv[]) {
    // ServerSettings keeps the address in QSettings("Vdr", "vdrhost"): these names pick that file.
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    QCoreApplication::setApplicationName(QStringLiteral("vdrhost"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VDR_VERSION));

    // Without a display Qt's window system cannot start: help, version and usage errors are still
    // answered, and a run says where to turn instead.
    if (!displayAvailable(argc, argv)) {
        QCoreApplication commandLine(argc, argv);
        Translations::install(QLocale::system(), Translations::kProgramCatalog);
        if (const std::optional<int> status =
                answerWithoutRunning(HostOptions::parse(QCoreApplication::arguments())))
            return *status;
        QTextStream(stderr) << QCoreApplication::translate(
            "HostMain", "vdrhost: no display to open windows on (DISPLAY is not set); for a capture "
                        "without a screen, run 'capture'.\n");
        return 1;
    }

    QApplication application(argc, argv);
    // The command line speaks the user's language; the windows speak Portuguese.
    Translations::install(QLocale::system(), Translations::kProgramCatalog);
    const HostOptions options = HostOptions::parse(QCoreApplication::arguments());
    if (const std::optional<int> status = answerWithoutRunning(options))
        return *status;
    // English on purpose: it is printed exactly when there is no catalog to translate it.
    if (!Application::UsePortugueseTexts())
        QTextStream(stderr) << "vdrhost: the Portuguese catalog is not installed ("
                            << Translations::directory() << "); messages stay English.\n";
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
