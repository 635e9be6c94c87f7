#include "Cli_Vdr04000.h"
#include "LeituraPocket.h"

void TfrmLeituraPocket::FormClose(TCloseAction& action) {
    TfrmPadrImportExport::FormClose(action);
    NetTradutor.Close();
    boStcriado = false;
}
