#include "package/Cli_Vdr04000.h"

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
    try {
        if (!boStcriado) {
            TfrmLeituraPocket* created =
                TfrmPadrImportExport::Create<TfrmLeituraPocket>(Application::MainForm());
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
    } catch (...) {
        // The failure goes on to the host unchanged, but the host must not be left with an
        // hourglass over a window that never opened.
        Screen::SetCursor(crDefault);
        throw;
    }
    Screen::SetCursor(crDefault);
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
