#include "package/Cli_Vdr04000.h"
#include "window/LeituraPocket.h"

#include "capture/LineCount.h"
#include "components/MensErro.h"
#include "selection/FileList.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

namespace {

// The program code of a form file: its name without directory, cut before the first ".".
AnsiString programCodeOf(const QString& path) {
    const AnsiString name =
        Ansi::fromUnicode(FileList::ExtractFileName(path), QStringLiteral("The file name of"));
    return Ansi::Copy(name, 1, Ansi::Pos(".", name) - 1);
}

} // namespace

void TfrmLeituraPocket::sbtImportExportClick(QObject*) {
    // A close asked for during the run takes effect when the run is over, however it ends.
    struct CloseWhenAsked {
        TfrmLeituraPocket& form;
        ~CloseWhenAsked() {
            if (form.closeAfterRun_) {
                form.closeAfterRun_ = false;
                form.close();
            }
        }
    } closeWhenAsked{*this};
    runCapture();
}

void TfrmLeituraPocket::runCapture() {
    if (!languageIsKnown()) {
        cbbIdioma->setFocus();
        MensErro(msgPadrao.Msg("Idi_Inv"), true);
        return;
    }

    pgbProgresso->setMaximum(0);
    for (int i = 0; i < lsbSelec->Count(); ++i)
        pgbProgresso->setMaximum(pgbProgresso->maximum() + ContaLinhas(lsbSelec->Items(i)));

    if (MessageDlg(msgPadrao.Msg("CONF_SUBS"), mtConfirmation, mbYes | mbNo, 1) == mrYes)
        scanSelectedFiles();

    stampVersion();
}

bool TfrmLeituraPocket::languageIsKnown() {
    const AnsiString shown = Ansi::fromUnicode(cbbIdioma->currentText(), QStringLiteral("The language"));
    const AnsiString code = Ansi::Copy(shown, 1, 3);
    const AnsiString description = Ansi::Copy(shown, 5, shown.size());
    return cdsIdiLeDfm.Locate(QStringLiteral("IDIDIOMA;DSIDIOMA"), {code, description}, loCaseInsensitive);
}

void TfrmLeituraPocket::scanSelectedFiles() {
    running_ = true;
    sbtImportExport->setEnabled(false);
    pgbProgresso->setValue(0);
    try {
        const int count = lsbSelec->Count();
        for (int i = 0; i < count; ++i) {
            const QString path = lsbSelec->Items(i);
            // Only one file's lines are held at a time; the file itself is closed before its scan.
            const TStringList lines = ReadFormText(path);
            Import(lines, programCodeOf(path));
        }
    } catch (...) {
        endScan();
        throw;
    }
    endScan();
    msgPadrao.ShowMsg("sucesso", mtConfirmation, mbOK, 0);
}

void TfrmLeituraPocket::endScan() {
    lblStatus->setText(QString());
    pgbProgresso->setValue(0);
    cancelRequested_ = false;
    sbtImportExport->setEnabled(true);
    running_ = false;
}

void TfrmLeituraPocket::stampVersion() {
    CallGetVersao();
    cdsVersao.Edit();
    cdsVersaoDTGERARQTRAD->SetAsDateTime(QDateTime::currentDateTime());
    cdsVersao.Post(); // sends the stamp to the server
}

void TfrmLeituraPocket::sbtCancelClick() {
    if (running_) {
        cancelRequested_ = true;
        return;
    }
    close();
}
