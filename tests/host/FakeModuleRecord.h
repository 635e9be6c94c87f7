#pragma once

#include <string>

// What the fake module was asked to do, in order: 'I' Initialize, 'E' IniProc, 'F' Finalize.
struct FakeModuleRecord {
    std::string calls;
    bool entryFails = false;
    bool finalizeFails = false;
};

extern "C" FakeModuleRecord* fakeModuleRecord();
