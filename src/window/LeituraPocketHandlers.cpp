// The capture window's handlers and what the capture run, the file lists and the server link see
// of the window. Each handler hands its work to the class that does it.
#include "window/LeituraPocket.h"

#include "package/ModuleVariables.h"
#include "window/ListBoxControl.h"

#include "components/BusyAnimation.h"
#include "components/MensErro.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ScopeGuard.h"
#include "widgets/Application.h"
#include "widgets/Screen.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>

namespace {

// Key code of F9, which opens the directory dialog from the directory field.
constexpr int kKeyF9 = 120;

TShowAvi animationOf(LinkActivity::Wait wait) {
    switch (wait) {
    case LinkActivity::Wait::Connect:
        return saConnect;
    case LinkActivity::Wait::Read:
        return saRead;
    case LinkActivity::Wait::Send:
        return saSend;
    }
    return saRead;
}

} // namespace

void TfrmLeituraPocket::FormCreate() {
    Link.Open();
    sbtImportExport->SetGlyph(imgImportExport->pixmap());

    const QStringList languages = Languages.Load();
    // Filling the box is not a choice of the user: the box keeps no current item and the
    // module's language code stays as it was.
    const QSignalBlocker quiet(cbbIdioma);
    cbbIdioma->addItems(languages);
    cbbIdioma->setCurrentIndex(-1);
    cbbIdioma->setEditText(QString());
}

void TfrmLeituraPocket::FormClose(TCloseAction& action) {
    if (Capture.Running()) {
        // Closing while files are scanned asks the scan to stop; the window closes once the
        // run has ended, so nothing runs on a closed connection or a freed window.
        Capture.RequestCancel();
        closeAfterRun_ = true;
        action = TCloseAction::caNone;
        return;
    }
    TfrmPadrImportExport::FormClose(action);
    NetTradutor.Close();
    boStcriado = false;
}

void TfrmLeituraPocket::sbtCancelClick() {
    if (Capture.Running()) {
        Capture.RequestCancel();
        return;
    }
    close();
}

void TfrmLeituraPocket::sbtImportExportClick(QObject*) {
    // A close asked for during the run takes effect when the run is over, however it ends.
    const ScopeExit closeWhenAsked([this] {
        if (closeAfterRun_) {
            closeAfterRun_ = false;
            close();
        }
    });
    Capture.Run();
}

void TfrmLeituraPocket::Import(const TStringList& lines, const AnsiString& programCode) {
    Capture.Import(lines, programCode);
}

void TfrmLeituraPocket::sbtDiretorioClick(QObject*) {
    Files.ChooseDirectory();
}

void TfrmLeituraPocket::edtDiretorioKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == kKeyF9)
        sbtDiretorioClick(sbtDiretorio);
}

void TfrmLeituraPocket::edtDiretorioChange(QObject*) {
    Files.DirectoryChanged();
}

void TfrmLeituraPocket::edtDiretorioExit(QObject*) {
    Files.DirectoryLeft();
}

void TfrmLeituraPocket::sbtDireitaClick(QObject*) {
    Files.MoveRight(true);
}

void TfrmLeituraPocket::sbtTudoDirClick(QObject*) {
    Files.MoveRight(false);
}

void TfrmLeituraPocket::sbtEsquerdaClick(QObject*) {
    Files.MoveLeft(true);
}

void TfrmLeituraPocket::sbtTudoEsqClick(QObject*) {
    Files.MoveLeft(false);
}

void TfrmLeituraPocket::cbbIdiomaChange(QObject*) {
    Files.UpdateImportButton();
    // The code comes from the text shown, picked or typed: the import checks that text against the
    // list, so the rows must get the language it names, not that of an earlier pick.
    stIdiLeDfm = LanguageList::CodeOf(cbbIdioma->currentText());
}

void TfrmLeituraPocket::NetTradutorBeforeConnect(TNetConnection& Sender) {
    ServerLink::TakeServerAddress(Sender);
}

// Each change handler works on its own data set, whatever the event passes in, as the assembly's
// bindings do.

void TfrmLeituraPocket::cdsPropriedAfterPost(TClientDataSet&) {
    Parts.SendPropriedChanges();
}

void TfrmLeituraPocket::cdsPropriedAfterDelete(TClientDataSet&) {
    Parts.SendPropriedChanges();
}

void TfrmLeituraPocket::cdsPropriedAfterCancel(TClientDataSet&) {
    Data.cdsPropried.CancelUpdates();
}

void TfrmLeituraPocket::cdsVersaoAfterPost(TClientDataSet&) {
    Parts.SendVersaoChanges();
}

void TfrmLeituraPocket::cdsVersaoAfterDelete(TClientDataSet&) {
    Parts.SendVersaoChanges();
}

void TfrmLeituraPocket::cdsVersaoAfterCancel(TClientDataSet&) {
    Data.cdsVersao.CancelUpdates();
}

void TfrmLeituraPocket::cdsVerificaPropAfterPost(TClientDataSet&) {
    Parts.SendVerificaPropPost();
}

void TfrmLeituraPocket::cdsVerificaPropAfterDelete(TClientDataSet&) {
    Parts.SendVerificaPropDelete();
}

int TfrmLeituraPocket::SelectedCount() const {
    return lsbSelec->Count();
}

QString TfrmLeituraPocket::SelectedFile(int index) const {
    return lsbSelec->Items(index);
}

QString TfrmLeituraPocket::LanguageText() const {
    return cbbIdioma->currentText();
}

void TfrmLeituraPocket::FocusLanguage() {
    cbbIdioma->setFocus();
}

void TfrmLeituraPocket::SetImportEnabled(bool enabled) {
    sbtImportExport->setEnabled(enabled);
}

void TfrmLeituraPocket::SetSelectionEnabled(bool enabled) {
    // Disabling the directory field while it has the focus moves the focus on, which is not the
    // user leaving it: its exit would list its *.Dfm files in the middle of the run.
    const QSignalBlocker noExit(edtDiretorio);
    for (QWidget* control :
         std::initializer_list<QWidget*>{edtDiretorio, sbtDiretorio, sbtDireita, sbtTudoDir, sbtEsquerda,
                                         sbtTudoEsq, lsbDisp, lsbSelec, cbbIdioma})
        control->setEnabled(enabled);
}

void TfrmLeituraPocket::SetStatus(const QString& text) {
    lblStatus->setText(text);
}

void TfrmLeituraPocket::SetProgressMaximum(int maximum) {
    pgbProgresso->setMaximum(maximum);
}

void TfrmLeituraPocket::SetProgress(int position) {
    pgbProgresso->setValue(position);
}

void TfrmLeituraPocket::AdvanceProgress(int lines) {
    pgbProgresso->setValue(pgbProgresso->value() + lines);
}

void TfrmLeituraPocket::ShowBusy(bool busy) {
    Screen::SetCursor(busy ? crHourGlass : crDefault);
    // The run's waits are over: what it shows next (the status cleared, its message) is not to
    // lie under the busy window for the moment it would linger.
    if (!busy)
        BusyAnimation::Dismiss();
}

void TfrmLeituraPocket::ProcessMessages() {
    Application::ProcessMessages();
}

bool TfrmLeituraPocket::Confirm(const AnsiString& question) {
    return MessageDlg(question, mtConfirmation, mbYes | mbNo, 1) == mrYes;
}

void TfrmLeituraPocket::ShowError(const AnsiString& text) {
    MensErro(text, true);
}

void TfrmLeituraPocket::ShowSuccess(const AnsiString& text) {
    MessageDlg(text, mtConfirmation, mbOK, 0);
}

bool TfrmLeituraPocket::ChooseDirectory(QString& directory) {
    directory.clear(); // the dialog starts from nothing, whatever the field shows
    return dialogService().selectDirectory(directory, sdAllowCreate, 0);
}

void TfrmLeituraPocket::RefuseFile(const QString&, const AnsiString& message) {
    MensErro(message, true);
}

QString TfrmLeituraPocket::DirectoryText() const {
    return edtDiretorio->text();
}

void TfrmLeituraPocket::SetDirectoryText(const QString& text) {
    edtDiretorio->setText(text);
}

ListControl& TfrmLeituraPocket::Available() {
    return *available_;
}

ListControl& TfrmLeituraPocket::Selected() {
    return *selected_;
}

void TfrmLeituraPocket::Begin(Wait wait) {
    ActiveShowAvi(Application::MainForm(), animationOf(wait));
}

void TfrmLeituraPocket::End() {
    DeactiveShowAvi();
}
