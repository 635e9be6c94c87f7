#include "capture/PipelinedImport.h"

#include "capture/CaptionScanner.h"
#include "capture/ProgressPacer.h"
#include "capture/TranslationDataSets.h"

#include "components/CheckResultServ.h"
#include "toolkit/ClientDataSet.h"
#include "wire/RecordLayouts.h"
#include "wire/RemoteMethods.h"

#include <QDateTime>

#include <algorithm>

namespace {

QList<StoredCaption> storedCaptionsOf(TClientDataSet& rows) {
    QList<StoredCaption> stored;
    TField* updated = rows.FieldByName(QStringLiteral("DTULTATUTRAD"));
    for (rows.First(); !rows.Eof(); rows.Next())
        stored.append({rows.FieldByName(QStringLiteral("CDPROGRAMA"))->AsString(),
                       rows.FieldByName(QStringLiteral("NMFORMULARIO"))->AsString(),
                       rows.FieldByName(QStringLiteral("NMCOMPONENTE"))->AsString(),
                       rows.FieldByName(QStringLiteral("NMPROPRIEDADE"))->AsString(),
                       rows.FieldByName(QStringLiteral("STVALORPROP"))->AsString(),
                       rows.FieldByName(QStringLiteral("IDIDIOMA"))->AsString(),
                       updated->IsNull() ? QDateTime() : updated->AsDateTime()});
    return stored;
}

} // namespace

PipelinedImport::PipelinedImport(Run run, QString file, AnsiString programCode, AnsiString languageCode)
    : run_(run), file_(std::move(file)), program_(Ansi::UpperCase(programCode)),
      language_(std::move(languageCode)) {}

void PipelinedImport::Import(const TStringList& lines) {
    const bool wholeFile = scan(lines) && lookUp();
    tellChanges(wholeFile);
    store();
    if (wholeFile && run_.observer)
        for (const StoredCaption& stored : std::as_const(removed_))
            run_.observer->CaptionRemoved(file_, stored);
}

bool PipelinedImport::scan(const TStringList& lines) {
    CaptionScanner scanner(program_);
    ProgressPacer pacer(run_.progressInterval);
    int i = 0;
    for (; i < lines.Count() && !run_.cancelRequested; ++i) {
        if (scanner.ReadLine(lines[i], language_)) {
            captions_.append({i + 1, scanner.formName, scanner.componentName, scanner.propertyName, language_,
                              scanner.LookupValue(), scanner.StoredValue(), false, std::nullopt});
            const AnsiString form = Ansi::UpperCase(scanner.formName);
            if (std::none_of(forms_.cbegin(), forms_.cend(),
                             [&form](const Form& f) { return f.name == form; }))
                forms_.append({form, {}, false});
        }
        if (pacer.Step()) {
            run_.view.AdvanceProgress(pacer.TakeSteps());
            run_.view.ProcessMessages();
        }
    }
    if (pacer.PendingSteps() > 0) {
        run_.view.AdvanceProgress(pacer.TakeSteps());
        run_.view.ProcessMessages();
    }
    return i == lines.Count();
}

bool PipelinedImport::lookUp() {
    // Every caption's look-up, then the forms' stored rows, all in one go: each wait is for a
    // caption's answer but the last few, so a run that fails is known to have stopped at a line.
    const int captions = int(captions_.size());
    const int count = captions + int(forms_.size());
    int answered = 0;
    TClientDataSet rows;
    defineLayout(rows, Layouts::translationRow());
    const auto make = [&](int index) {
        if (index >= captions)
            return ServerLink::GetFormRowsCall(program_, forms_[index - captions].name, language_);
        Caption& caption = captions_[index];
        return ServerLink::GetPropriedCall(program_, caption.form, caption.component, caption.property, "0",
                                           caption.lookupValue, caption.language);
    };
    const auto awaiting = [&](int index) {
        if (index < captions && run_.observer)
            run_.observer->CaptionLookedUp(file_, captions_[index].line);
    };
    const auto take = [&](int index, const QJsonValue& result) {
        ServerLink::Load(rows, result);
        ++answered;
        if (index >= captions) {
            forms_[index - captions].stored = storedCaptionsOf(rows);
            forms_[index - captions].read = true;
            return true;
        }
        Caption& caption = captions_[index];
        const QList<AnsiString> key = rowKey(caption);
        caption.recorded = rows.RecordCount() > 0 || run_.recordedRows.contains(key);
        if (!caption.recorded)
            run_.recordedRows.insert(key);
        paceProgress();
        return !run_.cancelRequested;
    };
    run_.link.Pipeline().Run(count, make, awaiting, take);
    // A stop leaves the captions not looked up out, as a sequential run would not have reached them.
    captions_.resize(std::min(answered, captions));
    return answered == count;
}

void PipelinedImport::paceProgress() {
    // Lets a stop signal or a click on Cancel in now and then, as the scan does.
    if (++paced_ % 64 == 0)
        run_.view.ProcessMessages();
}

void PipelinedImport::tellChanges(bool wholeFile) {
    for (const Form& form : std::as_const(forms_)) {
        if (!form.read)
            continue;
        QList<FormChanges::Scanned> scanned;
        QList<qsizetype> indexes;
        for (qsizetype i = 0; i < captions_.size(); ++i)
            if (Ansi::UpperCase(captions_[i].form) == form.name) {
                scanned.append({captions_[i].component, captions_[i].property, captions_[i].lookupValue,
                                captions_[i].recorded});
                indexes.append(i);
            }
        const FormChanges changes(form.stored, scanned);
        for (qsizetype i = 0; i < indexes.size(); ++i)
            captions_[indexes[i]].replaced = changes.replaced()[i];
        // Of a file scanned in part, the rest may hold the captions not met.
        if (wholeFile)
            removed_ += changes.removed();
    }
}

RecordedCaption PipelinedImport::recordOf(const Caption& caption) const {
    return {file_,
            caption.line,
            program_,
            Ansi::UpperCase(caption.form),
            Ansi::UpperCase(caption.component),
            Ansi::UpperCase(caption.property),
            caption.storedValue,
            Ansi::UpperCase(caption.language),
            caption.replaced};
}

QList<AnsiString> PipelinedImport::rowKey(const Caption& caption) const {
    return {program_,
            Ansi::UpperCase(caption.form),
            Ansi::UpperCase(caption.component),
            Ansi::UpperCase(caption.property),
            caption.lookupValue,
            Ansi::UpperCase(caption.language)};
}

void PipelinedImport::store() {
    QList<const Caption*> fresh;
    for (const Caption& caption : std::as_const(captions_))
        if (!caption.recorded)
            fresh.append(&caption);
    if (run_.checkOnly) {
        if (run_.observer)
            for (const Caption* caption : std::as_const(fresh))
                run_.observer->CaptionRecorded(recordOf(*caption));
        return;
    }

    TClientDataSet row;
    defineLayout(row, Layouts::translationRow());
    const auto make = [&](int index) {
        const RecordedCaption recorded = recordOf(*fresh[index]);
        run_.view.SetStatus(Ansi::toUnicode(recorded.program + " - " + recorded.form + " - " +
                                            recorded.component + " - " + recorded.property + " - " +
                                            recorded.value.left(120)));
        row.CreateDataSet();
        insertCaptionRow(row, recorded);
        row.Post();
        return CallPipeline::Call{RemoteMethods::kSetPropried,
                                  {TRemoteArg::byValue(QJsonValue(row.GetDelta()))}};
    };
    const auto awaiting = [&](int index) {
        if (run_.observer)
            run_.observer->RowStoring(file_, fresh[index]->line);
    };
    // Every caption looked up gets its row, as in a sequential run, a stop included; a row the
    // server confirmed is stored and told, whether or not the run goes on.
    const auto confirmed = [&](int index, const QJsonValue& result) {
        CheckResultServ(result, true, 0);
        if (run_.observer)
            run_.observer->CaptionRecorded(recordOf(*fresh[index]));
        paceProgress();
        return true;
    };
    run_.link.Pipeline().Run(int(fresh.size()), make, awaiting, confirmed, confirmed);
}
