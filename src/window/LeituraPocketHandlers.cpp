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
    link.open();
    sbtImportExport->SetGlyph(imgImportExport->pixmap());

    const QStringList names = languages.load();
    // Filling the box is not a choice of the user: the box keeps no current item and the
    // module's language code stays as it was.
    const QSignalBlocker quiet(cbbIdioma);
    cbbIdioma->addItems(names);
    cbbIdioma->setCurrentIndex(-1);
    cbbIdioma->setEditText(QString());
}

void TfrmLeituraPocket::FormClose(TCloseAction& action) {
    if (capture.running()) {
        // Closing while files are scanned asks the scan to stop; the window closes once the
        // run has ended, so nothing runs on a closed connection or a freed window.
        capture.requestCancel();
        closeAfterRun_ = true;
        action = TCloseAction::caNone;
        return;
    }
    TfrmPadrImportExport::FormClose(action);
    NetTradutor.Close();
    boStcriado = false;
}

void TfrmLeituraPocket::sbtCancelClick() {
    if (capture.running()) {
        capture.requestCancel();
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
    capture.run();
}

void TfrmLeituraPocket::Import(const TStringList& lines, const AnsiString& programCode) {
    capture.Import(lines, programCode);
}

void TfrmLeituraPocket::sbtDiretorioClick(QObject*) {
    files.chooseDirectory();
}

void TfrmLeituraPocket::edtDiretorioKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == kKeyF9)
        sbtDiretorioClick(sbtDiretorio);
}

void TfrmLeituraPocket::edtDiretorioChange(QObject*) {
    files.directoryChanged();
}

void TfrmLeituraPocket::edtDiretorioExit(QObject*) {
    files.directoryLeft();
}

void TfrmLeituraPocket::sbtDireitaClick(QObject*) {
    files.moveRight(true);
}

void TfrmLeituraPocket::sbtTudoDirClick(QObject*) {
    files.moveRight(false);
}

void TfrmLeituraPocket::sbtEsquerdaClick(QObject*) {
    files.moveLeft(true);
}

void TfrmLeituraPocket::sbtTudoEsqClick(QObject*) {
    files.moveLeft(false);
}

void TfrmLeituraPocket::cbbIdiomaChange(QObject*) {
    files.updateImportButton();
    // The code comes from the text shown, picked or typed: the import checks that text against the
    // list, so the rows must get the language it names, not that of an earlier pick.
    stIdiLeDfm = LanguageList::codeOf(cbbIdioma->currentText());
}

void TfrmLeituraPocket::NetTradutorBeforeConnect(TNetConnection& Sender) {
    ServerLink::takeServerAddress(Sender);
}

// Each change handler works on its own data set, whatever the event passes in, as the assembly's
// bindings do.

void TfrmLeituraPocket::cdsPropriedAfterPost(TClientDataSet&) {
    parts.sendPropriedChanges();
}

void TfrmLeituraPocket::cdsPropriedAfterDelete(TClientDataSet&) {
    parts.sendPropriedChanges();
}

void TfrmLeituraPocket::cdsPropriedAfterCancel(TClientDataSet&) {
    data.cdsPropried.CancelUpdates();
}

void TfrmLeituraPocket::cdsVersaoAfterPost(TClientDataSet&) {
    parts.sendVersaoChanges();
}

void TfrmLeituraPocket::cdsVersaoAfterDelete(TClientDataSet&) {
    parts.sendVersaoChanges();
}

void TfrmLeituraPocket::cdsVersaoAfterCancel(TClientDataSet&) {
    data.cdsVersao.CancelUpdates();
}

void TfrmLeituraPocket::cdsVerificaPropAfterPost(TClientDataSet&) {
    parts.sendVerificaPropPost();
}

void TfrmLeituraPocket::cdsVerificaPropAfterDelete(TClientDataSet&) {
    parts.sendVerificaPropDelete();
}

int TfrmLeituraPocket::selectedCount() const {
    return lsbSelec->Count();
}

QString TfrmLeituraPocket::selectedFile(int index) const {
    return lsbSelec->Items(index);
}

QString TfrmLeituraPocket::languageText() const {
    return cbbIdioma->currentText();
}

void TfrmLeituraPocket::focusLanguage() {
    cbbIdioma->setFocus();
}

void TfrmLeituraPocket::setImportEnabled(bool enabled) {
    sbtImportExport->setEnabled(enabled);
}

void TfrmLeituraPocket::setSelectionEnabled(bool enabled) {
    // Disabling the directory field while it has the focus moves the focus on, which is not the
    // user leaving it: its exit would list its *.Dfm files in the middle of the run.
    const QSignalBlocker noExit(edtDiretorio);
    for (QWidget* control :
         std::initializer_list<QWidget*>{edtDiretorio, sbtDiretorio, sbtDireita, sbtTudoDir, sbtEsquerda,
                                         sbtTudoEsq, lsbDisp, lsbSelec, cbbIdioma})
        control->setEnabled(enabled);
}

void TfrmLeituraPocket::setStatus(const QString& text) {
    lblStatus->setText(text);
}

void TfrmLeituraPocket::setProgressMaximum(int maximum) {
    pgbProgresso->setMaximum(maximum);
}

void TfrmLeituraPocket::setProgress(int position) {
    pgbProgresso->setValue(position);
}

void TfrmLeituraPocket::advanceProgress(int lines) {
    pgbProgresso->setValue(pgbProgresso->value() + lines);
}

void TfrmLeituraPocket::showBusy(bool busy) {
    Screen::SetCursor(busy ? crHourGlass : crDefault);
    // The run's waits are over: what it shows next (the status cleared, its message) is not to
    // lie under the busy window for the moment it would linger.
    if (!busy)
        BusyAnimation::Dismiss();
}

void TfrmLeituraPocket::processMessages() {
    Application::ProcessMessages();
}

bool TfrmLeituraPocket::confirm(const AnsiString& question) {
    return MessageDlg(question, mtConfirmation, mbYes | mbNo, 1) == mrYes;
}

void TfrmLeituraPocket::showError(const AnsiString& text) {
    MensErro(text, true);
}

void TfrmLeituraPocket::showSuccess(const AnsiString& text) {
    MessageDlg(text, mtConfirmation, mbOK, 0);
}

bool TfrmLeituraPocket::chooseDirectory(QString& directory) {
    directory.clear(); // the dialog starts from nothing, whatever the field shows
    return dialogService().selectDirectory(directory, sdAllowCreate, 0);
}

void TfrmLeituraPocket::refuseFile(const QString&, const AnsiString& message) {
    MensErro(message, true);
}

QString TfrmLeituraPocket::directoryText() const {
    return edtDiretorio->text();
}

void TfrmLeituraPocket::setDirectoryText(const QString& text) {
    edtDiretorio->setText(text);
}

ListControl& TfrmLeituraPocket::available() {
    return *available_;
}

ListControl& TfrmLeituraPocket::selected() {
    return *selected_;
}

void TfrmLeituraPocket::begin(Wait wait) {
    ActiveShowAvi(Application::MainForm(), animationOf(wait));
}

void TfrmLeituraPocket::end() {
    DeactiveShowAvi();
}
