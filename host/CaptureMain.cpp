// capture: the capture of the window, for scripts and CI. A console program on the module's plain
// classes: no window, no screen, no widget library.

#include "host/CaptureCommand.h"
#include "host/CaptureOptions.h"
#include "locale/Translations.h"

#include <QCoreApplication>

#include <unistd.h>

#include <optional>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    // The server settings are the desktop host's, so that both reach the same server.
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    QCoreApplication::setApplicationName(QStringLiteral("vdrhost"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VDR_VERSION));
    Translations::install(QLocale::system(), Translations::kProgramCatalog);

    const CaptureOptions options = CaptureOptions::parse(CaptureOptions::arguments(argc, argv));
    if (const std::optional<int> status = options.answer(
            QStringLiteral("capture"),
            QCoreApplication::translate("CaptureMain", "capture: %1\nTry 'capture --help'.\n")))
        return *status;
    options.applyServerOverride();

    ConsoleCapture::Streams streams;
    streams.progress = isatty(STDERR_FILENO) ? stderr : nullptr;
    CaptureCommand command(options, streams);
    return command.exec();
}
