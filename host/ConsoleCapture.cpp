#include "host/ConsoleCapture.h"

#include "toolkit/NativePath.h"

#include <QCoreApplication>
#include <QTextStream>

#include <utility>

namespace {

// Often enough to look alive, seldom enough to cost nothing.
constexpr int kProgressIntervalMs = 200;
constexpr int kProgressWidth = 20;

} // namespace

ConsoleCapture::ConsoleCapture(CaptureReport& report, bool answerYes, bool printNewCaptions, Streams streams)
    : report_(report), answerYes_(answerYes), printNewCaptions_(printNewCaptions), streams_(streams) {}

QStringList ConsoleCapture::takeRefusals() {
    return std::exchange(refusals_, {});
}

void ConsoleCapture::clearProgress() {
    if (!progressShown_)
        return;
    QTextStream(streams_.progress) << "\r\033[K" << Qt::flush;
    progressShown_ = false;
}

void ConsoleCapture::processMessages() {
    QCoreApplication::processEvents();
    if (!streams_.progress || progressMaximum_ <= 0)
        return;
    if (sinceDrawn_.isValid() && sinceDrawn_.elapsed() < kProgressIntervalMs)
        return;
    sinceDrawn_.start();
    drawProgress();
}

void ConsoleCapture::drawProgress() {
    const int percent = static_cast<int>(100LL * progress_ / progressMaximum_);
    const int filled = percent * kProgressWidth / 100;
    QTextStream(streams_.progress) << "\r[" << QString(filled, QLatin1Char('#'))
                                   << QString(kProgressWidth - filled, QLatin1Char(' ')) << "] "
                                   << tr("%1% %2/%3 lines, %4 new")
                                          .arg(QString::number(percent), QString::number(progress_),
                                               QString::number(progressMaximum_),
                                               QString::number(report_.rows().size()))
                                   << Qt::flush;
    progressShown_ = true;
}

bool ConsoleCapture::confirm(const AnsiString& question) {
    clearProgress();
    QTextStream err(streams_.err);
    err << Ansi::toUnicode(question);
    if (answerYes_) {
        err << " [s/N] s (--yes)" << Qt::endl;
        return true;
    }
    err << " [s/N] " << Qt::flush;
    const QString answer = QTextStream(streams_.in).readLine().trimmed().toLower();
    declined_ = !(answer == QLatin1String("s") || answer == QLatin1String("sim") ||
                  answer == QLatin1String("y") || answer == QLatin1String("yes"));
    return !declined_;
}

void ConsoleCapture::showError(const AnsiString& text) {
    clearProgress();
    errors_.append(Ansi::toUnicode(text));
    QTextStream(streams_.err) << tr("error: %1").arg(errors_.constLast()) << Qt::endl;
}

void ConsoleCapture::showSuccess(const AnsiString& text) {
    clearProgress();
    QTextStream(streams_.out) << Ansi::toUnicode(text) << Qt::endl;
}

void ConsoleCapture::refuseFile(const QString& path, const AnsiString& message) {
    refusals_.append(NativePath::shown(path) + QStringLiteral(": ") + Ansi::toUnicode(message));
}

void ConsoleCapture::fileScanStarted(const QString& path, int lines) {
    report_.fileScanStarted(path, lines);
}

void ConsoleCapture::captionLookedUp(const LookedUpCaption& caption) {
    report_.captionLookedUp(caption);
}

void ConsoleCapture::captionRecorded(const RecordedCaption& caption) {
    report_.captionRecorded(caption);
    if (!printNewCaptions_)
        return;
    // The form compilers use, so that editors and build logs lead to the line.
    const CaptureReport::Row& row = report_.rows().constLast();
    clearProgress();
    const QString line = QString::number(row.line);
    QTextStream out(streams_.out);
    // One pass over the placeholders: a caption may well hold a "%1" of its own.
    if (row.old)
        out << tr("%1:%2: %3.%4: changed caption \"%5\" (the table holds \"%6\")")
                   .arg(row.file, line, row.form, row.component, row.value, *row.old)
            << Qt::endl;
    else
        out << tr("%1:%2: %3.%4: new caption \"%5\"").arg(row.file, line, row.form, row.component, row.value)
            << Qt::endl;
}

void ConsoleCapture::rowStoring(const QString& path, int line) {
    report_.rowStoring(path, line);
}

void ConsoleCapture::captionRemoved(const QString& path, const StoredCaption& stored) {
    report_.captionRemoved(path, stored);
    if (!printNewCaptions_)
        return;
    const CaptureReport::Removed& removed = report_.removed().constLast();
    clearProgress();
    QTextStream(streams_.out) << tr("%1: %2.%3: caption \"%4\" is no longer in the form")
                                     .arg(removed.file, removed.form, removed.component, removed.value)
                              << Qt::endl;
}
