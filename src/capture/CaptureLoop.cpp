#include "capture/CaptureLoop.h"

#include "capture/CaptionScanner.h"
#include "capture/ProgressPacer.h"

#include "toolkit/ClientDataSet.h"
#include "wire/RecordLayouts.h"

#include <QDateTime>

// One caption as it goes to the look-up: its own copy of the names, which the answer may rename.
struct CaptureLoop::Caption {
    QString file;
    int line = 0;
    quint64 number = 0; // in the order met
    AnsiString program, form, component, property, language;
    AnsiString value, lookupValue, storedValue;
};

namespace {

// The status line shows less than this; laying out a caption of thousands of characters per row
// would cost more than storing it.
constexpr qsizetype kStatusLength = 160;
// Answers taken between two chances for a stop signal or a click on Cancel to come in.
constexpr int kAnswersBetweenEvents = 64;

QList<StoredCaption> storedCaptionsOf(TClientDataSet& rows) {
    const TField* program = rows.FieldByName(QStringLiteral("CDPROGRAMA"));
    const TField* form = rows.FieldByName(QStringLiteral("NMFORMULARIO"));
    const TField* component = rows.FieldByName(QStringLiteral("NMCOMPONENTE"));
    const TField* property = rows.FieldByName(QStringLiteral("NMPROPRIEDADE"));
    const TField* value = rows.FieldByName(QStringLiteral("STVALORPROP"));
    const TField* language = rows.FieldByName(QStringLiteral("IDIDIOMA"));
    const TField* updated = rows.FieldByName(QStringLiteral("DTULTATUTRAD"));
    QList<StoredCaption> stored;
    stored.reserve(rows.RecordCount());
    for (rows.First(); !rows.Eof(); rows.Next())
        stored.append({program->AsString(), form->AsString(), component->AsString(), property->AsString(),
                       value->AsString(), language->AsString(),
                       updated->IsNull() ? QDateTime() : updated->AsDateTime()});
    return stored;
}

} // namespace

CaptureLoop::CaptureLoop(CaptureView& view, TranslationDataSets& data, ServerLink& link,
                         AnsiString& languageCode, const bool& cancelRequested, Settings settings)
    : view_(view), data_(data), link_(link), languageCode_(languageCode), cancelRequested_(cancelRequested),
      settings_(settings) {}

void CaptureLoop::scan(const QString& file, const TStringList& lines, const AnsiString& programCode) {
    CaptionScanner scan(programCode);
    scan_ = &scan;
    const AnsiString program = Ansi::UpperCase(programCode);
    if (settings_.judgeChanges) {
        if (!programs_.contains(program))
            programOrder_.append(program);
        programs_[program].fileScanned(file);
    }
    ProgressPacer pacer(settings_.progressInterval);
    for (int i = 0; i < lines.Count() && !cancelRequested_; ++i) {
        scanLine_ = i + 1;
        if (scan.readLine(lines[i], languageCode_))
            lookUp(scan, i + 1, file);
        if (pacer.step()) {
            view_.advanceProgress(pacer.takeSteps());
            view_.processMessages();
        }
    }
    if (pacer.pendingSteps() > 0) {
        view_.advanceProgress(pacer.takeSteps());
        view_.processMessages();
    }
    scan_ = nullptr;
}

void CaptureLoop::lookUp(CaptionScanner& scan, int line, const QString& file) {
    auto caption = std::make_shared<Caption>(Caption{
        file, line, ++captionsMet_, Ansi::UpperCase(scan.programCode), scan.formName, scan.componentName,
        scan.propertyName, languageCode_, scan.value, scan.lookupValue(), scan.storedValue()});
    CallFlow::Handlers handlers;
    handlers.awaiting = [this, caption] {
        if (settings_.observer)
            settings_.observer->captionLookedUp({caption->file, caption->line, caption->program,
                                                 caption->form, caption->component, caption->property,
                                                 caption->value});
    };
    handlers.answered = [this, caption](const QJsonValue& result) { take(*caption, result); };
    link_.flow().send(ServerLink::getPropriedCall(caption->program, caption->form, caption->component,
                                                  caption->property, "0", caption->lookupValue,
                                                  caption->language),
                      std::move(handlers));
}

void CaptureLoop::take(Caption& caption, const QJsonValue& result) {
    ServerLink::load(data_.cdsPropried, result);
    if (scan_ && caption.number == captionsMet_ && caption.line == scanLine_) {
        // The scan still stands at this caption: it goes on with the names the server gave back.
        scan_->formName = caption.form;
        scan_->componentName = caption.component;
        scan_->propertyName = caption.property;
        languageCode_ = caption.language;
    }
    const QList<AnsiString> key{caption.program,
                                Ansi::UpperCase(caption.form),
                                Ansi::UpperCase(caption.component),
                                Ansi::UpperCase(caption.property),
                                caption.lookupValue,
                                Ansi::UpperCase(caption.language)};
    const bool known = data_.cdsPropried.RecordCount() > 0 || recorded_.contains(key);
    const int change = settings_.judgeChanges
                           ? programs_[caption.program].add(caption.file, caption.form, caption.component,
                                                            caption.property, caption.lookupValue, known)
                           : -1;
    paceAnswers();
    if (known)
        return; // the server holds it already, or would by now in a run
    recorded_.insert(key);
    record(caption, change);
}

void CaptureLoop::record(const Caption& caption, int change) {
    AnsiString status = caption.program + " - " + caption.form + " - " + caption.component + " - " +
                        caption.property + " - " + caption.value;
    if (status.size() > kStatusLength)
        status = status.left(kStatusLength - 3) + "...";
    view_.setStatus(Ansi::toUnicode(status));

    const RecordedCaption recorded{{caption.file, caption.line, caption.program,
                                    Ansi::UpperCase(caption.form), Ansi::UpperCase(caption.component),
                                    Ansi::UpperCase(caption.property), caption.storedValue},
                                   Ansi::UpperCase(caption.language),
                                   std::nullopt};
    if (settings_.checkOnly) {
        tell(recorded, change);
        return;
    }

    // The row goes out through the data set's owner; its answer tells it stored, a failure of the
    // calls before it included.
    CallFlow::Handlers stored;
    stored.awaiting = [this, file = caption.file, line = caption.line] {
        if (settings_.observer)
            settings_.observer->rowStoring(file, line);
    };
    stored.answered = [this, recorded, change](const QJsonValue&) {
        tell(recorded, change);
        paceAnswers();
    };
    stored.keptAfterFailure = true;
    link_.flow().alsoOnNextCall(std::move(stored));
    TClientDataSet& rows = data_.cdsPropried;
    insertCaptionRow(rows, recorded);
    if (rows.State() == TDataSetState::Insert || rows.State() == TDataSetState::Edit)
        rows.Post(); // sends the row; one call at a time, before the scan goes on
    link_.flow().clearAlsoOnNext();
}

void CaptureLoop::tell(const RecordedCaption& caption, int change) {
    if (!settings_.observer)
        return;
    if (settings_.judgeChanges)
        untold_.append({caption, change}); // once the stored rows are read
    else
        settings_.observer->captionRecorded(caption);
}

void CaptureLoop::paceAnswers() {
    // With calls in flight the scan may wait long for answers; a stop signal or a click on Cancel
    // still comes in now and then. One call at a time, the scan lets them in after each line.
    if (link_.flow().roomInFlight() > 0 && ++answers_ % kAnswersBetweenEvents == 0)
        view_.processMessages();
}

void CaptureLoop::finish() {
    link_.flow().finish();
    if (!settings_.judgeChanges)
        return;
    if (!cancelRequested_) {
        for (const AnsiString& program : std::as_const(programOrder_))
            readStoredRows(program, AnsiString());
        link_.flow().finish();
    }
    // After a stop, before the pages or while they were read, what the run stored is told
    // unjudged: its files were not scanned to their end, and pages may be missing.
    if (cancelRequested_) {
        tellUnjudged();
        return;
    }

    for (ProgramChanges& changes : programs_)
        changes.judge();
    for (Recorded& recorded : untold_)
        if (recorded.change >= 0)
            recorded.caption.replaced = programs_[recorded.caption.program].replaced(recorded.change);
    tellUnjudged();
    if (!settings_.observer)
        return;
    for (const AnsiString& program : std::as_const(programOrder_))
        for (const ProgramChanges::Removed& removed : programs_[program].removed())
            settings_.observer->captionRemoved(removed.file, removed.stored);
}

void CaptureLoop::tellUnjudged() {
    if (settings_.observer)
        for (const Recorded& recorded : std::as_const(untold_))
            settings_.observer->captionRecorded(recorded.caption);
    untold_.clear();
}

void CaptureLoop::readStoredRows(const AnsiString& program, const AnsiString& cursor) {
    auto next = std::make_shared<AnsiString>(cursor);
    CallFlow::Handlers handlers;
    handlers.answered = [this, program, next](const QJsonValue& result) {
        TClientDataSet rows;
        defineLayout(rows, Layouts::translationRow());
        ServerLink::load(rows, result);
        programs_[program].take(storedCaptionsOf(rows));
        paceAnswers();
        if (!next->isEmpty())
            readStoredRows(program, *next);
    };
    link_.flow().send(ServerLink::getProgramRowsCall(program, Ansi::UpperCase(languageCode_), *next),
                      std::move(handlers));
}
