#include "LeituraPocket.h"

void TfrmLeituraPocket::sbtImportExportClick(QObject*) {}

void TfrmLeituraPocket::sbtCancelClick() {
    if (running_) {
        cancelRequested_ = true;
        return;
    }
    close();
}
