#include "package/Cli_Vdr04000.h"
#include "window/LeituraPocket.h"

void TfrmLeituraPocket::FormClose(TCloseAction& action) {
    if (running_) {
        // Closing while files are scanned asks the scan to stop; the window closes once the
        // run has ended, so nothing runs on a closed connection or a freed window.
        cancelRequested_ = true;
        closeAfterRun_ = true;
        action = TCloseAction::caNone;
        return;
    }
    TfrmPadrImportExport::FormClose(action);
    NetTradutor.Close();
    boStcriado = false;
}
