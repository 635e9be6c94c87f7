#include "host/CaptureDriver.h"

#include "host/ConsoleDialogs.h"
#include "window/ControlNames.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTextStream>

namespace {

template <typename T> T& control(QWidget& form, const QString& name) {
    auto* found = form.findChild<T*>(name);
    if (!found)
        throw Exception(QStringLiteral("The capture window has no control %1").arg(name));
    return *found;
}

} // namespace

CaptureDriver::CaptureDriver(Options options, ConsoleDialogs& console, CaptureReport& report, FILE* progress)
    : options_(std::move(options)), console_(console), report_(report), progress_(progress) {
    progressTimer_.setInterval(200);
    connect(&progressTimer_, &QTimer::timeout, this, &CaptureDriver::showProgress);
    connect(&stopSignals_, &StopSignals::stopRequested, this, &CaptureDriver::stopScan);
}

void CaptureDriver::start() {
    // The entry shows the window modally: the driver runs inside that window's event loop.
    QTimer::singleShot(0, this, [this] { Toolkit::guarded([this] { drive(); }); });
}

void CaptureDriver::drive() {
    QWidget* form = QApplication::activeModalWidget();
    if (!form || form->objectName() != ControlNames::frmLeituraPocket)
        throw Exception(QStringLiteral("The module did not show the capture window"));
    form_ = form;
    try {
        drive(*form);
    } catch (...) {
        form->close();
        throw;
    }
    form->close();
}

void CaptureDriver::follow(QWidget& form) {
    // The module is loaded at run time, so the window is known by its property and signals' names.
    if (!form.setProperty("checkOnly", options_.check))
        throw Exception(QStringLiteral("The capture window of this module cannot check"));
    const bool following =
        connect(&form, SIGNAL(fileScanStarted(QString, int)), this, SLOT(fileScanStarted(QString, int))) &&
        connect(&form, SIGNAL(captionLookedUp(QString, int)), this, SLOT(captionLookedUp(QString, int))) &&
        connect(&form, SIGNAL(captionRecorded(QVariantMap)), this, SLOT(captionRecorded(QVariantMap)));
    if (!following)
        throw Exception(QStringLiteral("The capture window of this module does not tell what it captures"));
}

void CaptureDriver::selectFiles(QWidget& form) {
    auto& directoryField = control<QLineEdit>(form, ControlNames::edtDiretorio);
    auto& available = control<QListWidget>(form, ControlNames::lsbDisp);
    const QString pattern = options_.typed ? QStringLiteral("*.Dfm") : QStringLiteral("*.Ebf");
    for (const QString& directory : std::as_const(options_.directories)) {
        if (options_.typed) {
            // Typing, then leaving the field: the window lists the directory's *.Dfm files.
            directoryField.setFocus();
            directoryField.setText(directory);
            QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(&directoryField, &leave);
        } else {
            console_.setDirectory(directory);
            control<QAbstractButton>(form, ControlNames::sbtDiretorio).click();
        }
        if (available.count() == 0) {
            // Only one directory in all: it fails below, saying the same.
            if (options_.directories.size() > 1)
                QTextStream(stderr) << "capture: no form files (" << pattern << ") in " << directory
                                    << Qt::endl;
            continue;
        }
        // A file already selected is refused, and stays available, and the others go on, as they
        // do for the user.
        console_.setRefusing(true);
        control<QAbstractButton>(form, ControlNames::sbtTudoDir).click();
        console_.setRefusing(false);
        const QStringList refusals = console_.takeRefusals();
        for (int i = 0; i < available.count() && !refusals.isEmpty(); ++i)
            QTextStream(stderr) << "capture: " << QDir(directory).filePath(available.item(i)->text()) << ": "
                                << refusals.constFirst() << Qt::endl;
    }
    if (control<QListWidget>(form, ControlNames::lsbSelec).count() == 0)
        throw Exception(QStringLiteral("No form files (%1) in %2")
                            .arg(pattern, options_.directories.join(QStringLiteral(", "))));
}

void CaptureDriver::drive(QWidget& form) {
    auto& selected = control<QListWidget>(form, ControlNames::lsbSelec);
    auto& languages = control<QComboBox>(form, ControlNames::cbbIdioma);
    auto& importButton = control<QAbstractButton>(form, ControlNames::sbtImportExport);
    auto& progress = control<QProgressBar>(form, ControlNames::pgbProgresso);

    follow(form);
    selectFiles(form);

    const int language = languages.findText(options_.language + QLatin1Char('-'),
                                            Qt::MatchStartsWith | Qt::MatchCaseSensitive);
    if (language < 0) {
        QStringList known;
        for (int i = 0; i < languages.count(); ++i)
            known.append(languages.itemText(i));
        throw Exception(QStringLiteral("The server knows no language %1 (it knows: %2)")
                            .arg(options_.language, known.join(QStringLiteral(", "))));
    }
    languages.setCurrentIndex(language);
    if (!importButton.isEnabled())
        throw Exception(QStringLiteral("The capture window does not let the import start"));

    summary_.files = selected.count();
    clock_.start();
    if (progress_)
        progressTimer_.start();
    importButton.click();
    stopSignals_.disarm();
    progressTimer_.stop();
    if (progress_)
        QTextStream(progress_) << "\r\033[K" << Qt::flush;
    summary_.milliseconds = clock_.elapsed();
    summary_.lines = progress.maximum();
    completed_ = true;
}

void CaptureDriver::fileScanStarted(const QString& path, int lines) {
    if (stoppedBy_ != 0)
        return; // the run passes the files left without scanning them
    stopSignals_.arm();
    report_.fileScanStarted(path, lines);
}

void CaptureDriver::stopScan(int signalNumber) {
    if (stoppedBy_ != 0 || !form_)
        return;
    stoppedBy_ = signalNumber;
    control<QAbstractButton>(*form_, ControlNames::sbtCancel).click();
}

void CaptureDriver::captionLookedUp(const QString& path, int line) {
    report_.captionLookedUp(path, line);
}

void CaptureDriver::captionRecorded(const QVariantMap& caption) {
    report_.captionRecorded(caption);
    if (!options_.check)
        return;
    // The form compilers use, so that editors and build logs lead to the line.
    const CaptureReport::Row& row = report_.rows().constLast();
    if (progress_)
        QTextStream(progress_) << "\r\033[K" << Qt::flush;
    QTextStream(stdout) << row.file << ':' << row.line << ": " << row.form << '.' << row.component
                        << ": new caption \"" << row.value << '"' << Qt::endl;
}

void CaptureDriver::showProgress() {
    if (!form_ || !progress_)
        return;
    const auto* bar = form_->findChild<QProgressBar*>(ControlNames::pgbProgresso);
    if (!bar || bar->maximum() <= 0)
        return;
    const int percent = static_cast<int>(100LL * bar->value() / bar->maximum());
    const int filled = percent / 5;
    QTextStream(progress_) << "\r[" << QString(filled, QLatin1Char('#'))
                           << QString(20 - filled, QLatin1Char(' ')) << "] " << percent << "% "
                           << bar->value() << '/' << bar->maximum() << " lines, " << report_.rows().size()
                           << " new" << Qt::flush;
}
