#include "host/HostOptions.h"

#include "host/ModuleLoader.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

const QString kCapture = QStringLiteral("capture");
const QString kServer = QStringLiteral("server");
const QString kModule = QStringLiteral("module");

QString absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QString HostOptions::resolveModulePath(const QString& optionValue) {
    if (!optionValue.isEmpty())
        return absolute(optionValue);
    if (const QString fromEnvironment = qEnvironmentVariable(kModulePathVariable); !fromEnvironment.isEmpty())
        return absolute(fromEnvironment);
    return ModuleLoader::defaultLibraryPath();
}

HostOptions HostOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Vdr - Tradutor: opens the translation capture module and keeps the address of "
           "the application server."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(
        {QCommandLineOption(kCapture, tr("Open the capture window at start-up.")),
         QCommandLineOption(
             kServer, tr("Use the application server at HOST:PORT for this run; the saved address is kept."),
             QStringLiteral("HOST:PORT")),
         QCommandLineOption(
             kModule,
             tr("Load the capture module from PATH (default: %1, else %2).")
                 .arg(QString::fromLatin1(kModulePathVariable), ModuleLoader::defaultLibraryPath()),
             QStringLiteral("PATH"))});
    TlsOptions::addTo(parser);

    HostOptions options;
    if (options.parseWith(parser, arguments))
        options.read(parser);
    return options;
}

bool HostOptions::read(const QCommandLineParser& parser) {
    // Qt keeps the text with its own options to itself, so --help-all shows the same help.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return ask(Request::ShowHelp);
    if (parser.isSet(QStringLiteral("version")))
        return ask(Request::ShowVersion);
    if (!parser.positionalArguments().isEmpty())
        return refuse(tr("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst()));

    captureAtStart_ = parser.isSet(kCapture);
    QString whyNot;
    if (!server_.read(parser,
                      tr("Invalid --server value \"%1\": expected HOST:PORT with a port from 1 to 65535."),
                      &whyNot))
        return refuse(whyNot);

    if (parser.isSet(kModule) && parser.value(kModule).isEmpty())
        return refuse(tr("The --module option needs the path of the module library."));
    moduleLibraryPath_ = resolveModulePath(parser.value(kModule));
    return true;
}
