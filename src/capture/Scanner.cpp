#include "package/Cli_Vdr04000.h"
#include "window/LeituraPocket.h"

#include "capture/CaptionScanner.h"
#include "capture/ProgressPacer.h"
#include "widgets/Application.h"

#include <QLabel>
#include <QProgressBar>

namespace {

constexpr qsizetype kStatusLength = 160;

} // namespace

void TfrmLeituraPocket::Import(const TStringList& lines, AnsiString programCode) {
    CaptionScanner scan(std::move(programCode));
    ProgressPacer pacer(ProgressInterval);
    for (int i = 0; i < lines.Count() && !cancelRequested_; ++i) {
        if (scan.ReadLine(lines[i], stIdiLeDfm))
            recordCaption(scan);
        if (pacer.Step())
            showProgress(pacer.TakeSteps());
    }
    if (pacer.PendingSteps() > 0)
        showProgress(pacer.TakeSteps());
}

void TfrmLeituraPocket::showProgress(int lines) {
    pgbProgresso->setValue(pgbProgresso->value() + lines);
    Application::ProcessMessages(); // paints, and lets a click on Cancel reach the window
}

void TfrmLeituraPocket::recordCaption(CaptionScanner& scan) {
    CallGetPropried(Ansi::UpperCase(scan.programCode), scan.formName, scan.componentName, scan.propertyName,
                    "0", scan.LookupValue(), stIdiLeDfm);
    if (cdsPropried.RecordCount() > 0)
        return; // the server holds it already

    scan.programCode = Ansi::UpperCase(scan.programCode);
    AnsiString status = scan.programCode + " - " + scan.formName + " - " + scan.componentName + " - " +
                        scan.propertyName + " - " + scan.value;
    // The label shows less than this; laying out a caption of thousands of characters per row
    // would cost more than storing it.
    if (status.size() > kStatusLength)
        status = status.left(kStatusLength - 3) + "...";
    lblStatus->setText(Ansi::toUnicode(status));

    cdsPropried.Insert();
    cdsPropriedCDPROGRAMA->SetAsString(Ansi::UpperCase(scan.programCode));
    cdsPropriedNMFORMULARIO->SetAsString(Ansi::UpperCase(scan.formName));
    cdsPropriedNMCOMPONENTE->SetAsString(Ansi::UpperCase(scan.componentName));
    cdsPropriedNMPROPRIEDADE->SetAsString(Ansi::UpperCase(scan.propertyName));
    cdsPropriedNRVALORPROP->SetAsInteger(0);
    cdsPropriedIDSITTRADUCAO->SetAsString("N");
    cdsPropriedSTVALORPROP->SetAsString(scan.StoredValue());
    cdsPropriedSTAGRVALPROP->SetAsString(scan.StoredValue());
    cdsPropriedDTULTATUTRAD->SetAsDateTime(QDateTime::currentDateTime());
    cdsPropriedIDIDIOMA->SetAsString(Ansi::UpperCase(stIdiLeDfm));
    if (cdsPropried.State() == TDataSetState::Insert || cdsPropried.State() == TDataSetState::Edit)
        cdsPropried.Post(); // sends the row to the server before the scan goes on
}
