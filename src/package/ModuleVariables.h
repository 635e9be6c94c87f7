#pragma once

#include "toolkit/AnsiString.h"

// The module's exported variables: module-wide, alive while the module is loaded. The window
// reads and clears them; the entry creates the window.

class TfrmLeituraPocket;

#define CLI_VDR04000_EXPORT __attribute__((visibility("default")))

extern "C" {

// The single capture window; empty until the first entry call creates it.
CLI_VDR04000_EXPORT extern TfrmLeituraPocket* frmLeituraPocket;
// True from the window's creation until it closes.
CLI_VDR04000_EXPORT extern bool boStcriado;
// Language code of the capture; survives the window's close.
CLI_VDR04000_EXPORT extern AnsiString stIdiLeDfm;
// Exported for hosts that expect them; the module neither sets nor reads them.
CLI_VDR04000_EXPORT extern AnsiString stTestProp;
CLI_VDR04000_EXPORT extern int inQtde;
}
