#include "capture/CaptureRun.h"

#include "capture/CaptionScanner.h"
#include "capture/LineCount.h"
#include "selection/FileList.h"

#include "toolkit/Exceptions.h"
#include "toolkit/NativePath.h"
#include "toolkit/ScopeGuard.h"

#include <QCoreApplication>

namespace {

// The program code of a form file: its name without directory, cut before the first "." (no "."
// leaves none).
QString programCodeOf(const QString& path) {
    const QString name = FileList::ExtractFileName(path);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.left(dot);
}

} // namespace

CaptureRun::CaptureRun(CaptureView& view, TranslationDataSets& data, ServerLink& link,
                       const TMessages& messages, AnsiString& languageCode)
    : view_(view), data_(data), link_(link), messages_(messages), languageCode_(languageCode) {}

void CaptureRun::run() {
    // Files moved or a language picked while the run reads them would make it skip or repeat a
    // file, or write the rest in another language.
    view_.setSelectionEnabled(false);
    const ScopeExit enableSelectionAfter([this] { view_.setSelectionEnabled(true); });

    if (!languageIsKnown()) {
        view_.setSelectionEnabled(true); // the user corrects the language next
        view_.focusLanguage();
        view_.showError(messages_.Msg("Idi_Inv"));
        return;
    }

    const QList<AnsiString> programCodes = checkedProgramCodes();
    countLines(programCodes);
    if (checkOnly) {
        scanSelectedFiles(programCodes);
        return;
    }
    if (view_.confirm(messages_.Msg("CONF_SUBS")))
        scanSelectedFiles(programCodes);

    stampVersion();
}

bool CaptureRun::languageIsKnown() {
    // No language of the list holds a character outside the code page.
    AnsiString shown;
    if (!Ansi::tryFromUnicode(view_.languageText(), shown))
        return false;
    const AnsiString code = Ansi::Copy(shown, 1, 3);
    const AnsiString description = Ansi::Copy(shown, 5, shown.size());
    return data_.cdsIdiLeDfm.Locate(QStringLiteral("IDIDIOMA;DSIDIOMA"), {code, description},
                                    loCaseInsensitive);
}

QList<AnsiString> CaptureRun::checkedProgramCodes() {
    // A file whose code cannot be stored would fail at its first new row, after the rows of the
    // files before it: it stops the run before anything is stored instead.
    const int limit = data_.cdsPropriedCDPROGRAMA->Size();
    QList<AnsiString> codes;
    for (int i = 0; i < view_.selectedCount(); ++i) {
        const QString file = view_.selectedFile(i);
        const QString code = programCodeOf(file);
        const QString path = NativePath::shown(file);
        AnsiString stored;
        if (!Ansi::tryFromUnicode(code, stored))
            throw EConvertError(QCoreApplication::translate(
                                    "CaptureRun", "The program code \"%1\" of %2 cannot be written in the "
                                                  "Windows-1252 code page")
                                    .arg(code, path));
        if (stored.size() > limit)
            throw EConvertError(
                QCoreApplication::translate("CaptureRun",
                                            "The program code \"%1\" of %2 has %3 characters; at most %4 fit")
                    .arg(code, path)
                    .arg(stored.size())
                    .arg(limit));
        codes.append(stored);
    }
    return codes;
}

void CaptureRun::countLines(const QList<AnsiString>& programCodes) {
    // The bar shows the total so far, so a file that cannot be read leaves the count of those before.
    int total = 0;
    view_.setProgressMaximum(total);
    for (int i = 0; i < programCodes.size(); ++i) {
        const QString path = view_.selectedFile(i);
        const TStringList lines = ReadFormText(path);
        total += lines.Count();
        view_.setProgressMaximum(total);
        checkRowValues(path, lines, programCodes[i]);
    }
}

void CaptureRun::checkRowValues(const QString& path, const TStringList& lines,
                                const AnsiString& programCode) {
    // A name or caption longer than its field would fail at its row, after the rows before it were
    // stored, and a check would not notice it. Each is found here, before anything is asked or stored.
    struct Value {
        const TField* field;
        const char* tooLong; // the message naming what is too long
        AnsiString text;
    };
    CaptionScanner scan(programCode);
    for (int line = 0; line < lines.Count(); ++line) {
        if (!scan.readLine(lines[line], languageCode_))
            continue;
        const Value values[] = {
            {data_.cdsPropriedNMFORMULARIO,
             QT_TRANSLATE_NOOP("CaptureRun",
                               "The form name \"%1\" at %2:%3 has %4 characters; at most %5 fit"),
             scan.formName},
            {data_.cdsPropriedNMCOMPONENTE,
             QT_TRANSLATE_NOOP("CaptureRun",
                               "The component name \"%1\" at %2:%3 has %4 characters; at most %5 fit"),
             scan.componentName},
            {data_.cdsPropriedNMPROPRIEDADE,
             QT_TRANSLATE_NOOP("CaptureRun",
                               "The property name \"%1\" at %2:%3 has %4 characters; at most %5 fit"),
             scan.propertyName},
            {data_.cdsPropriedSTVALORPROP,
             QT_TRANSLATE_NOOP("CaptureRun", "The caption \"%1\" at %2:%3 has %4 characters; at most %5 fit"),
             scan.storedValue()}};
        for (const Value& value : values)
            if (value.text.size() > value.field->Size())
                throw EConvertError(QCoreApplication::translate("CaptureRun", value.tooLong)
                                        .arg(Ansi::toUnicode(value.text), NativePath::shown(path),
                                             QString::number(line + 1), QString::number(value.text.size()),
                                             QString::number(value.field->Size())));
    }
}

CaptureLoop::Settings CaptureRun::loopSettings() const {
    return {checkOnly, judgeChanges, progressInterval, observer};
}

void CaptureRun::scanSelectedFiles(const QList<AnsiString>& programCodes) {
    running_ = true;
    view_.setImportEnabled(false);
    view_.setProgress(0);
    view_.showBusy(true);
    {
        ScopeExit scanEnded([this] { endScan(); });
        CallFlow& flow = link_.flow();
        flow.setRoomInFlight(roomInFlight);
        flow.setStop(&cancelRequested_);
        const ScopeExit oneCallAtATime([&flow] {
            flow.setRoomInFlight(0);
            flow.setStop(nullptr);
        });
        CaptureLoop loop(view_, data_, link_, languageCode_, cancelRequested_, loopSettings());
        try {
            // The selection holds still during the run: the files are those whose codes were checked.
            for (int i = 0; i < programCodes.size(); ++i) {
                // Only one file's lines are held at a time; the file itself is closed before its scan.
                const QString file = view_.selectedFile(i);
                const TStringList lines = ReadFormText(file);
                // After a cancel the files left are passed over, not scanned: nobody is told of them.
                if (observer && !cancelRequested_)
                    observer->fileScanStarted(file, lines.Count());
                loop.scan(file, lines, programCodes[i]);
            }
            loop.finish();
        } catch (...) {
            loop.tellUnjudged();
            throw;
        }
    }
    if (!checkOnly)
        view_.showSuccess(messages_.Msg("sucesso"));
}

void CaptureRun::endScan() {
    view_.showBusy(false);
    view_.setStatus(QString());
    view_.setProgress(0);
    cancelRequested_ = false;
    view_.setImportEnabled(true);
    running_ = false;
}

void CaptureRun::stampVersion() {
    view_.showBusy(true);
    const ScopeExit notBusyAfter([this] { view_.showBusy(false); });
    link_.callGetVersao(data_.cdsVersao);
    data_.cdsVersao.Edit();
    data_.cdsVersaoDTGERARQTRAD->SetAsDateTime(QDateTime::currentDateTime());
    data_.cdsVersao.Post(); // sends the stamp to the server
}

void CaptureRun::Import(const TStringList& lines, const AnsiString& programCode) {
    CaptureLoop loop(view_, data_, link_, languageCode_, cancelRequested_, loopSettings());
    try {
        loop.scan(QString(), lines, programCode);
        loop.finish();
    } catch (...) {
        loop.tellUnjudged();
        throw;
    }
}
