#include "host/CaptureOptions.h"

#include "host/HostOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

CaptureOptions CaptureOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Captures the captions of eMbedded Visual Basic form files into the translation table of an\n"
        "application server, through the capture window of the Cli_Vdr04000 module, without a screen.\n"
        "Exit status: 0 on success, 1 when the capture failed, 2 on a usage error."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption languageOption(
        {QStringLiteral("l"), QStringLiteral("language")},
        QStringLiteral("Language code of the new rows (as the server lists it)."), QStringLiteral("CODE"));
    const QCommandLineOption serverOption(
        {QStringLiteral("s"), QStringLiteral("server")},
        QStringLiteral("Application server address (overrides the settings)."), QStringLiteral("HOST:PORT"));
    const QCommandLineOption yesOption({QStringLiteral("y"), QStringLiteral("yes")},
                                       QStringLiteral("Confirm the capture without asking."));
    const QCommandLineOption typedOption(
        QStringLiteral("typed"),
        QStringLiteral("Type the directory into the window instead of choosing it in the dialog: lists its\n"
                       "*.Dfm files instead of its *.Ebf files."));
    const QCommandLineOption moduleOption(QStringLiteral("module"),
                                          QStringLiteral("Path of the module library to load."),
                                          QStringLiteral("PATH"));
    parser.addOptions({languageOption, serverOption, yesOption, typedOption, moduleOption});
    parser.addPositionalArgument(QStringLiteral("DIRECTORY"), QStringLiteral("Directory of the form files."));

    CaptureOptions options;
    options.helpText_ = parser.helpText();
    const auto fail = [&options](const QString& message) {
        options.request_ = Request::UsageError;
        options.usageError_ = message;
        return options;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(helpOption)) {
        options.request_ = Request::ShowHelp;
        return options;
    }
    if (parser.isSet(versionOption)) {
        options.request_ = Request::ShowVersion;
        return options;
    }

    options.language_ = parser.value(languageOption).trimmed();
    if (options.language_.isEmpty())
        return fail(QStringLiteral("--language CODE is required"));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(QStringLiteral("exactly one DIRECTORY is required"));
    options.directory_ = positional.constFirst();
    const QFileInfo directory(options.directory_);
    if (!directory.exists())
        return fail(QStringLiteral("%1 does not exist").arg(options.directory_));
    if (!directory.isDir())
        return fail(QStringLiteral("%1 is not a directory").arg(options.directory_));
    if (!directory.isReadable() || !directory.isExecutable())
        return fail(QStringLiteral("the directory %1 cannot be read").arg(options.directory_));
    options.answerYes_ = parser.isSet(yesOption);
    options.typed_ = parser.isSet(typedOption);
    options.modulePath_ = HostOptions::resolveModulePath(parser.value(moduleOption));
    if (parser.isSet(serverOption)) {
        const auto address = HostOptions::parseServerAddress(parser.value(serverOption));
        if (!address)
            return fail(QStringLiteral("--server wants HOST:PORT with a port from 1 to 65535, not \"%1\"")
                            .arg(parser.value(serverOption)));
        options.serverHost_ = address->host;
        options.serverPort_ = address->port;
    }
    return options;
}
