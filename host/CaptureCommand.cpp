#include "host/CaptureCommand.h"

#include "host/GitHubAnnotations.h"
#include "host/ReportFile.h"

#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"
#include "toolkit/NativePath.h"
#include "toolkit/ScopeGuard.h"
#include "window/MessageTable.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <csignal>

namespace {

constexpr int kExitFailed = 1;
// A check found captions the table does not hold yet.
constexpr int kExitNewCaptions = 3;

QString serverAddress() {
    const ServerSettings::Address address = ServerSettings::effective();
    return address.host + QLatin1Char(':') + QString::number(address.port);
}

} // namespace

CaptureCommand::CaptureCommand(const CaptureOptions& options, ConsoleCapture::Streams streams)
    : options_(options), streams_(streams),
      report_(options.check() ? CaptureReport::Mode::Check : CaptureReport::Mode::Run, options.language(),
              serverAddress()),
      view_(report_, options.answerYes(), options.check(), streams), messages_(CaptureMessages()),
      stopSignals_({SIGINT, SIGTERM}, UnixSignalBridge::SecondSignal::EndsProgram) {
    CaptureRun& run = capture_.run;
    run.observer = &view_;
    run.roomInFlight = kRoomInFlight;
    run.judgeChanges = true;
    report_.setFailOnRemoved(options.failOnRemoved());
    report_.setKeepsLookUps(
        std::any_of(options.reportPaths().cbegin(), options.reportPaths().cend(), [](const QString& path) {
            return ReportFile::formatOf(path) == ReportFile::Format::JUnit;
        }));
    QObject::connect(&stopSignals_, &UnixSignalBridge::caught, [this](int signalNumber) {
        if (stoppedBy_ == 0) {
            stoppedBy_ = signalNumber;
            capture_.run.requestCancel();
        }
    });
}

int CaptureCommand::exec() {
    try {
        capture_.link.open();
        const QStringList languages = capture_.languages.load();
        selectFiles();
        showLanguage(languages);
        runCapture();
        if (view_.declined())
            throw Exception(tr("The capture was not confirmed: nothing was stored"));
    } catch (const std::exception& failure) {
        fail(failure);
    }
    capture_.connection.Close();

    QStringList problems = view_.errors() + failures_;
    if (stoppedBy_ != 0) {
        const QString stopped =
            tr("Stopped by %1 at %2:%3")
                .arg(stoppedBy_ == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"),
                     report_.lastFile(), QString::number(report_.lastLine()));
        QTextStream(streams_.err) << "capture: " << stopped << Qt::endl;
        problems.append(stopped);
    }
    report_.finish(problems);
    if (runStarted_)
        printSummary();
    // Each report is written even when another one fails.
    bool reportsWritten = true;
    for (const QString& path : options_.reportPaths()) {
        try {
            ReportFile::write(path, report_);
        } catch (const std::exception& failure) {
            fail(failure);
            reportsWritten = false;
        }
    }
    if (!reportsWritten)
        return kExitFailed;
    if (!report_.completed())
        return kExitFailed;
    const bool found =
        !report_.rows().isEmpty() || (options_.failOnRemoved() && !report_.removed().isEmpty());
    return options_.check() && found ? kExitNewCaptions : 0;
}

void CaptureCommand::selectFiles() {
    const QString pattern = options_.typed() ? QStringLiteral("*.Dfm") : QStringLiteral("*.Ebf");
    QTextStream err(streams_.err);
    FileLists& files = capture_.files;
    for (const QString& directory : options_.directories()) {
        if (options_.typed())
            files.typeDirectory(directory);
        else
            files.openDirectory(directory);
        if (view_.availableNames().Count() == 0) {
            // Only one directory in all: it fails below, saying the same.
            if (options_.directories().size() > 1)
                err << "capture: "
                    << tr("no form files (%1) in %2").arg(pattern, NativePath::shown(directory)) << Qt::endl;
            continue;
        }
        // A file already selected is refused, and stays available, and the others go on, as they
        // do for the user.
        files.moveRight(false);
        for (const QString& refusal : view_.takeRefusals())
            err << "capture: " << refusal << Qt::endl;
    }
    if (view_.selectedNames().Count() == 0)
        throw Exception(
            tr("No form files (%1) in %2")
                .arg(pattern, NativePath::shown(options_.directories().join(QStringLiteral(", ")))));
}

void CaptureCommand::showLanguage(const QStringList& languages) {
    // The text shown is the list's own, as if picked: the window takes a code typed in any case.
    const int language = LanguageList::indexOf(languages, options_.language());
    if (language < 0)
        throw Exception(tr("The server knows no language %1 (it knows: %2)")
                            .arg(options_.language(), languages.join(QStringLiteral(", "))));
    view_.showLanguage(languages[language]);
    languageCode_ = LanguageList::codeOf(languages[language]);
    report_.setLanguage(Ansi::toUnicode(languageCode_));
    capture_.files.updateImportButton();
    if (!view_.importEnabled())
        throw Exception(tr("The capture cannot start"));
}

void CaptureCommand::runCapture() {
    capture_.run.checkOnly = options_.check();
    runStarted_ = true;
    QElapsedTimer clock;
    clock.start();
    stopSignals_.arm();
    const ScopeExit ended([&] {
        stopSignals_.disarm();
        milliseconds_ = clock.elapsed();
    });
    capture_.run.run();
}

void CaptureCommand::fail(const std::exception& failure) {
    const auto* known = dynamic_cast<const Exception*>(&failure);
    failures_.append(known ? known->message() : QString::fromUtf8(failure.what()));
    view_.clearProgress();
    QTextStream(streams_.err) << "capture: " << failures_.constLast() << Qt::endl;
}

void CaptureCommand::printSummary() {
    view_.clearProgress();
    // Made from what was scanned, as the report is: the two tell one story.
    QTextStream out(streams_.out);
    if (options_.githubAnnotations())
        for (const QString& annotation : GitHubAnnotations::lines(report_))
            out << annotation << Qt::endl;
    // A line of its own before the usual one, so that whoever reads the last line finds it as it was.
    out << tr("changed captions: %1, stored captions no longer in the forms: %2")
               .arg(report_.changed())
               .arg(report_.removed().size())
        << Qt::endl;
    // A check's line and a run's are whole sentences each, so that a translation can word them apart.
    const QString totals =
        options_.check()
            ? tr("files: %1, lines: %2, captions looked up: %3, rows it would insert: %4, time: %5 s")
            : tr("files: %1, lines: %2, captions looked up: %3, rows inserted: %4, time: %5 s");
    out << totals.arg(QString::number(report_.files().size()), QString::number(report_.lines()),
                      QString::number(report_.lookups()), QString::number(report_.rows().size()),
                      QString::number(static_cast<double>(milliseconds_) / 1000.0, 'f', 3))
        << Qt::endl;
    if (report_.completed())
        return;
    if (report_.lastFile().isEmpty())
        out << tr("stopped before the scan") << Qt::endl;
    else
        out << tr("stopped at %1:%2").arg(report_.lastFile(), QString::number(report_.lastLine()))
            << Qt::endl;
}
