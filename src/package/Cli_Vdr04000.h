#pragma once

#include "package/ModuleVariables.h"

// The module's exported surface. The host does not link against the module: it loads the
// library at run time, calls Initialize, resolves IniProc by name and calls it whenever the user
// asks for the capture, and calls Finalize before unloading.

// Units the module registers with the host's run time, as GetPackageInfoTable reports them.
struct PackageInfoTable {
    int unitCount;
    const char* const* unitNames;
};

extern "C" {

// The entry: opens the capture window modally and returns when it has closed. A failure while
// the window is created or shown passes on to the caller unchanged.
CLI_VDR04000_EXPORT void IniProc();

// Load and unload steps the host runs around the module's life.
CLI_VDR04000_EXPORT void Initialize();
CLI_VDR04000_EXPORT void Finalize();
CLI_VDR04000_EXPORT const PackageInfoTable* GetPackageInfoTable();
}

// Opens the capture window; IniProc's whole work.
void CriaLeituraEbf();
