#include "package/Cli_Vdr04000.h"

#include "toolkit/ScopeGuard.h"
#include "widgets/Application.h"
#include "widgets/Screen.h"
#include "window/LeituraPocket.h"

#include <QPointer>

TfrmLeituraPocket* frmLeituraPocket = nullptr;
bool boStcriado = false;
AnsiString stIdiLeDfm;
AnsiString stTestProp;
int inQtde = 0;

namespace {
const char* const kUnitNames[] = {"Cli_Vdr04000", "LeituraPocket"};
const PackageInfoTable kPackageInfo{2, kUnitNames};
} // namespace

void CriaLeituraEbf() {
    Screen::SetCursor(crHourGlass);
    // However the window ends, or fails to open, the host is not left with an hourglass.
    const ScopeExit defaultCursor([] { Screen::SetCursor(crDefault); });
    if (!boStcriado) {
        TfrmLeituraPocket* created = TfrmPadrImportExport::Create<TfrmLeituraPocket>(Application::MainForm());
        // A closed window frees itself, possibly after the next one exists: the exported
        // reference must neither outlive it nor lose its successor.
        QObject::connect(created, &QObject::destroyed, [created] {
            if (frmLeituraPocket == created)
                frmLeituraPocket = nullptr;
        });
        frmLeituraPocket = created;
        boStcriado = true;
    }
    QPointer<TfrmLeituraPocket> form = frmLeituraPocket;
    form->exec();
    if (form)
        form->setWindowState(Qt::WindowNoState);
}

extern "C" {

void IniProc() {
    CriaLeituraEbf();
}

void Initialize() {
    boStcriado = false;
}

void Finalize() {
    stTestProp.clear();
    stIdiLeDfm.clear();
}

const PackageInfoTable* GetPackageInfoTable() {
    return &kPackageInfo;
}
}
