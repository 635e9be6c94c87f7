#include "tests/host/FakeModuleRecord.h"

#include "toolkit/Exceptions.h"

extern "C" {

#ifdef FAKE_MODULE_WITH_UNRESOLVED_SYMBOL
// Defined nowhere: stands for a platform function a stale module build still expects.
void vdrPlatformFunctionThatIsGone();
#endif

FakeModuleRecord* fakeModuleRecord() {
    static FakeModuleRecord record;
    return &record;
}

void Initialize() {
    fakeModuleRecord()->calls += 'I';
#ifdef FAKE_MODULE_WITH_UNRESOLVED_SYMBOL
    vdrPlatformFunctionThatIsGone();
#endif
}

#ifndef FAKE_MODULE_WITHOUT_ENTRY
void IniProc() {
    fakeModuleRecord()->calls += 'E';
    if (fakeModuleRecord()->entryFails)
        throw Exception(QStringLiteral("The capture window failed"));
}
#endif

void Finalize() {
    fakeModuleRecord()->calls += 'F';
    if (fakeModuleRecord()->finalizeFails)
        throw Exception(QStringLiteral("Finalize failed"));
}
}
