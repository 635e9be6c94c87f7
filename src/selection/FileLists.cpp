#include "LeituraPocket.h"

#include <QComboBox>

void TfrmLeituraPocket::UpdateImportButton() {
    sbtImportExport->setEnabled(lsbSelec->Count() > 0 && !cbbIdioma->currentText().isEmpty());
}

void TfrmLeituraPocket::sbtDiretorioClick(QObject*) {}

void TfrmLeituraPocket::edtDiretorioKeyDown(QObject*, int&, Qt::KeyboardModifiers) {}

void TfrmLeituraPocket::edtDiretorioChange(QObject*) {}

void TfrmLeituraPocket::edtDiretorioExit(QObject*) {}

void TfrmLeituraPocket::sbtDireitaClick(QObject*) {}

void TfrmLeituraPocket::sbtTudoDirClick(QObject*) {}

void TfrmLeituraPocket::sbtEsquerdaClick(QObject*) {}

void TfrmLeituraPocket::sbtTudoEsqClick(QObject*) {}
