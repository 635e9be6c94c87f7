#include "window/LeituraPocket.h"

#include "selection/FileList.h"

#include "components/MensErro.h"
#include "toolkit/FileSearch.h"

#include <QComboBox>

namespace {

// Key code of F9, which opens the directory dialog from the directory field.
constexpr int kKeyF9 = 120;

// Adds the names of the plain files matching pattern to the available list.
void listDirectory(TListBox& available, const QString& pattern) {
    for (const QString& name : FindFiles(pattern, faArchive))
        available.Add(name);
}

} // namespace

void TfrmLeituraPocket::UpdateImportButton() {
    sbtImportExport->setEnabled(lsbSelec->Count() > 0 && !cbbIdioma->currentText().isEmpty());
}

void TfrmLeituraPocket::sbtDiretorioClick(QObject*) {
    QString directory;
    if (!dialogService().selectDirectory(directory, sdAllowCreate, 0))
        return;
    edtDiretorio->setText(directory);
    listDirectory(*lsbDisp, directory + FileList::kEbfPattern);
}

void TfrmLeituraPocket::edtDiretorioKeyDown(QObject*, int& Key, Qt::KeyboardModifiers) {
    if (Key == kKeyF9)
        sbtDiretorioClick(sbtDiretorio);
}

void TfrmLeituraPocket::edtDiretorioChange(QObject*) {
    lsbDisp->Clear();
}

void TfrmLeituraPocket::edtDiretorioExit(QObject*) {
    if (lsbDisp->Count() > 0)
        return;
    listDirectory(*lsbDisp, edtDiretorio->text() + FileList::kDfmPattern);
}

void TfrmLeituraPocket::sbtDireitaClick(QObject*) {
    moveRight(true);
}

void TfrmLeituraPocket::sbtTudoDirClick(QObject*) {
    moveRight(false);
}

void TfrmLeituraPocket::sbtEsquerdaClick(QObject*) {
    moveLeft(true);
}

void TfrmLeituraPocket::sbtTudoEsqClick(QObject*) {
    moveLeft(false);
}

void TfrmLeituraPocket::moveRight(bool selectedOnly) {
    const QString directory = edtDiretorio->text();
    const QString separator = FileList::SeparatorFor(directory);
    // From the end, so the indexes still to visit stay valid while entries leave.
    for (int i = lsbDisp->Count() - 1; i >= 0; --i) {
        if (selectedOnly && !lsbDisp->Selected(i))
            continue;
        const QString path = directory + separator + lsbDisp->Items(i);
        if (lsbSelec->IndexOf(path) >= 0) {
            MensErro(msgPadrao.Msg("Arq_Ja"), true);
            continue;
        }
        lsbSelec->Add(path);
        lsbDisp->Delete(i);
    }
    UpdateImportButton();
}

void TfrmLeituraPocket::moveLeft(bool selectedOnly) {
    const QString directory = edtDiretorio->text();
    for (int i = lsbSelec->Count() - 1; i >= 0; --i) {
        if (selectedOnly && !lsbSelec->Selected(i))
            continue;
        const QString path = lsbSelec->Items(i);
        if (FileList::StartsWithDirectory(path, directory))
            lsbDisp->Add(FileList::ExtractFileName(path));
        lsbSelec->Delete(i);
    }
    UpdateImportButton();
}
