#include "host/CaptureOptions.h"

#include "host/ReportFile.h"

#include "toolkit/NativePath.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

const QString kLanguage = QStringLiteral("language");
const QString kCheck = QStringLiteral("check");
const QString kFailOnRemoved = QStringLiteral("fail-on-removed");
const QString kReport = QStringLiteral("report");
const QString kAnnotations = QStringLiteral("annotations");
const QString kServer = QStringLiteral("server");
const QString kYes = QStringLiteral("yes");
const QString kTyped = QStringLiteral("typed");

} // namespace

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
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(
        {QCommandLineOption(
             {QStringLiteral("l"), kLanguage},
             tr("Language of the new rows: its code, or the text the server lists for it, in any "
                "letter case."),
             QStringLiteral("CODE")),
         QCommandLineOption(kCheck,
                            tr("Look up every caption as a run does, but store nothing, ask nothing and "
                               "stamp no version: print each caption a run would insert.")),
         QCommandLineOption(kFailOnRemoved,
                            tr("With --check: exit 3 also when stored rows of the scanned forms "
                               "are no longer in the forms.")),
         QCommandLineOption(
             kReport,
             tr("Write a report of what the run or check did to FILE: JSON for *.json, CSV for "
                "*.csv, SARIF 2.1.0 for *.sarif, JUnit XML for *.xml, one HTML page for *.html. "
                "Written whole once the run has ended, however it ended. May be given more than once."),
             QStringLiteral("FILE")),
         QCommandLineOption(kAnnotations,
                            tr("Print each finding as an annotation a CI system shows on the line it "
                               "names: github for GitHub Actions' ::warning and ::notice lines."),
                            QStringLiteral("KIND")),
         QCommandLineOption({QStringLiteral("s"), kServer},
                            tr("Application server address (overrides the settings)."),
                            QStringLiteral("HOST:PORT")),
         QCommandLineOption({QStringLiteral("y"), kYes}, tr("Confirm the capture without asking.")),
         QCommandLineOption(kTyped, tr("Type the directory into the window instead of choosing it in the "
                                       "dialog: lists its *.Dfm files instead of its *.Ebf files."))});
    TlsOptions::addTo(parser);
    parser.addPositionalArgument(QStringLiteral("DIRECTORY"), tr("Directories of the form files."),
                                 QStringLiteral("DIRECTORY..."));

    CaptureOptions options;
    if (options.parseWith(parser, arguments))
        options.read(parser);
    return options;
}

bool CaptureOptions::read(const QCommandLineParser& parser) {
    if (parser.isSet(QStringLiteral("help")))
        return ask(Request::ShowHelp);
    if (parser.isSet(QStringLiteral("version")))
        return ask(Request::ShowVersion);

    language_ = parser.value(kLanguage).trimmed();
    if (language_.isEmpty())
        return refuse(tr("--language CODE is required"));
    if (!readDirectories(parser.positionalArguments()))
        return false;
    check_ = parser.isSet(kCheck);
    failOnRemoved_ = parser.isSet(kFailOnRemoved);
    if (failOnRemoved_ && !check_)
        return refuse(tr("--fail-on-removed goes with --check: a run only reports what it finds"));
    reportPaths_ = parser.values(kReport);
    // Found out now rather than after the run it was to report on.
    for (const QString& path : std::as_const(reportPaths_))
        if (const QString whyNot = ReportFile::whyNotWritable(path); !whyNot.isEmpty())
            return refuse(whyNot);
    if (parser.isSet(kAnnotations)) {
        if (parser.value(kAnnotations) != QLatin1String("github"))
            return refuse(tr("--annotations wants github, not \"%1\"").arg(parser.value(kAnnotations)));
        githubAnnotations_ = true;
    }
    answerYes_ = parser.isSet(kYes);
    typed_ = parser.isSet(kTyped);
    QString whyNot;
    if (!server_.read(parser, tr("--server wants HOST:PORT with a port from 1 to 65535, not \"%1\""),
                      &whyNot))
        return refuse(whyNot);
    return true;
}

bool CaptureOptions::readDirectories(const QStringList& paths) {
    if (paths.isEmpty())
        return refuse(tr("a DIRECTORY is required"));
    // One directory, one spelling, as a directory dialog gives one name per directory: "forms" and
    // "./forms/" list the same files, which would otherwise be selected and scanned twice.
    QHash<QByteArray, QString> spellingOf;
    for (const QString& path : paths) {
        // By its own bytes: a name that is not UTF-8 is the platform's as much as any other.
        const QByteArray native = NativePath::toBytes(path);
        struct stat status {};
        if (stat(native.constData(), &status) != 0)
            return refuse(tr("%1 does not exist").arg(NativePath::shown(path)));
        if (!S_ISDIR(status.st_mode))
            return refuse(tr("%1 is not a directory").arg(NativePath::shown(path)));
        if (access(native.constData(), R_OK | X_OK) != 0)
            return refuse(tr("the directory %1 cannot be read").arg(NativePath::shown(path)));
        const std::unique_ptr<char, void (*)(void*)> canonical(realpath(native.constData(), nullptr),
                                                               std::free);
        const QByteArray key = canonical ? QByteArray(canonical.get()) : native;
        auto spelling = spellingOf.constFind(key);
        if (spelling == spellingOf.cend())
            spelling = spellingOf.insert(key, QDir::cleanPath(path));
        directories_.append(*spelling);
    }
    return true;
}
