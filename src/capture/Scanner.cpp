#include "Cli_Vdr04000.h"
#include "LeituraPocket.h"

#include "Application.h"
#include "CaptionScanner.h"

#include <QLabel>
#include <QProgressBar>

void TfrmLeituraPocket::Import(const TStringList& lines, AnsiString programCode) {
    CaptionScanner scan(std::move(programCode));
    for (int i = 0; i < lines.Count() && !cancelRequested_; ++i) {
        if (scan.ReadLine(lines[i], stIdiLeDfm))
            recordCaption(scan);
        pgbProgresso->setValue(pgbProgresso->value() + 1);
        Application::ProcessMessages();
    }
}

void TfrmLeituraPocket::recordCaption(CaptionScanner& scan) {
    CallGetPropried(Ansi::UpperCase(scan.programCode), scan.formName, scan.componentName, scan.propertyName,
                    "0", scan.LookupValue(), stIdiLeDfm);
    if (cdsPropried.RecordCount() > 0)
        return; // the server holds it already

    scan.programCode = Ansi::UpperCase(scan.programCode);
    lblStatus->setText(Ansi::toUnicode(scan.programCode + " - " + scan.formName + " - " + scan.componentName +
                                       " - " + scan.propertyName + " - " + scan.value));

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
