#include "host/CaptureOptions.h"

#include "host/HostOptions.h"
#include "host/ReportFile.h"

#include "components/ServerSettings.h"
#include "toolkit/NativePath.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

QStringList CaptureOptions::arguments(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(NativePath::fromBytes(argv[i]));
    return arguments;
}

CaptureOptions CaptureOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Captures the captions of eMbedded Visual Basic form files into the translation table of an\n"
           "application server, as the capture window of the Cli_Vdr04000 module does, without a screen.\n"
           "Each DIRECTORY's files are listed and selected in turn, as in the window; a file already\n"
           "selected is refused with the window's message and the rest go on.\n"
           "\n"
           "With --check nothing is stored: each caption a run would insert is printed once, as\n"
           "  FILE:LINE: FORM.COMPONENT: new caption \"VALUE\"\n"
           "or, when the table holds another value for that component's caption, as\n"
           "  FILE:LINE: FORM.COMPONENT: changed caption \"NEW\" (the table holds \"OLD\")\n"
           "and each stored row of a scanned form that the form no longer holds, as\n"
           "  FILE: FORM.COMPONENT: caption \"OLD\" is no longer in the form\n"
           "A run tells the same in its report. Nothing stored is ever changed or deleted.\n"
           "\n"
           "SIGINT or SIGTERM during the scan stops it where it is, as the window's Cancel button does,\n"
           "and the report says where; a second one ends the command at once.\n"
           "\n"
           "Exit status: 0 on success (a check: every caption is known), 3 when a check found new or\n"
           "changed captions (or, with --fail-on-removed, captions no longer in the forms), 1 when the\n"
           "capture failed, 2 on a usage error."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption languageOption(
        {QStringLiteral("l"), QStringLiteral("language")},
        tr("Language of the new rows: its code, or the text the server lists for it, in any "
           "letter case."),
        QStringLiteral("CODE"));
    const QCommandLineOption serverOption({QStringLiteral("s"), QStringLiteral("server")},
                                          tr("Application server address (overrides the settings)."),
                                          QStringLiteral("HOST:PORT"));
    const QCommandLineOption yesOption({QStringLiteral("y"), QStringLiteral("yes")},
                                       tr("Confirm the capture without asking."));
    const QCommandLineOption typedOption(
        QStringLiteral("typed"),
        tr("Type the directory into the window instead of choosing it in the dialog: lists its "
           "*.Dfm files instead of its *.Ebf files."));
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        tr("Look up every caption as a run does, but store nothing, ask nothing and stamp no "
           "version: print each caption a run would insert."));
    const QCommandLineOption failOnRemovedOption(
        QStringLiteral("fail-on-removed"),
        tr("With --check: exit 3 also when stored rows of the scanned forms are no longer in the "
           "forms."));
    const QCommandLineOption reportOption(
        QStringLiteral("report"),
        tr("Write a report of what the run or check did to FILE: JSON for *.json, CSV for "
           "*.csv. Written whole once the run has ended, however it ended."),
        QStringLiteral("FILE"));
    parser.addOptions({languageOption, checkOption, failOnRemovedOption, reportOption, serverOption,
                       yesOption, typedOption});
    TlsOptions::addTo(parser);
    parser.addPositionalArgument(QStringLiteral("DIRECTORY"), tr("Directories of the form files."),
                                 QStringLiteral("DIRECTORY..."));

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
        return fail(tr("--language CODE is required"));
    options.directories_ = parser.positionalArguments();
    if (options.directories_.isEmpty())
        return fail(tr("a DIRECTORY is required"));
    // One directory, one spelling, as a directory dialog gives one name per directory: "forms" and
    // "./forms/" list the same files, which would otherwise be selected and scanned twice.
    QHash<QByteArray, QString> spellingOf;
    for (QString& path : options.directories_) {
        // By its own bytes: a name that is not UTF-8 is the platform's as much as any other.
        const QByteArray native = NativePath::toBytes(path);
        struct stat status {};
        if (stat(native.constData(), &status) != 0)
            return fail(tr("%1 does not exist").arg(NativePath::shown(path)));
        if (!S_ISDIR(status.st_mode))
            return fail(tr("%1 is not a directory").arg(NativePath::shown(path)));
        if (access(native.constData(), R_OK | X_OK) != 0)
            return fail(tr("the directory %1 cannot be read").arg(NativePath::shown(path)));
        const std::unique_ptr<char, void (*)(void*)> canonical(realpath(native.constData(), nullptr),
                                                               std::free);
        const QByteArray key = canonical ? QByteArray(canonical.get()) : native;
        auto spelling = spellingOf.constFind(key);
        if (spelling == spellingOf.cend())
            spelling = spellingOf.insert(key, QDir::cleanPath(path));
        path = *spelling;
    }
    options.check_ = parser.isSet(checkOption);
    options.failOnRemoved_ = parser.isSet(failOnRemovedOption);
    if (options.failOnRemoved_ && !options.check_)
        return fail(tr("--fail-on-removed goes with --check: a run only reports what it finds"));
    options.reportPath_ = parser.value(reportOption);
    // Found out now rather than after the run it was to report on.
    if (parser.isSet(reportOption))
        if (const QString whyNot = ReportFile::whyNotWritable(options.reportPath_); !whyNot.isEmpty())
            return fail(whyNot);
    options.answerYes_ = parser.isSet(yesOption);
    options.typed_ = parser.isSet(typedOption);
    if (parser.isSet(serverOption)) {
        const auto address = HostOptions::parseServerAddress(parser.value(serverOption));
        if (!address)
            return fail(tr("--server wants HOST:PORT with a port from 1 to 65535, not \"%1\"")
                            .arg(parser.value(serverOption)));
        options.serverHost_ = address->host;
        options.serverPort_ = address->port;
    }
    QString whyNot;
    const std::optional<TlsOptions> tls = TlsOptions::read(parser, &whyNot);
    if (!tls)
        return fail(whyNot);
    options.tls_ = *tls;
    return options;
}

void CaptureOptions::applyServerOverride() const {
    ServerSettings::setOverride({.host = serverHost_,
                                 .port = serverPort_,
                                 .tls = tls_.tls,
                                 .caFile = tls_.caFile,
                                 .plainText = tls_.plainText});
}
