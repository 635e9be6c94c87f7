#pragma once

#include "tests/host/FakeModuleRecord.h"

#include <QString>

#include <dlfcn.h>
#include <gtest/gtest.h>

// The test's own handle on a fake module and its record, cleared for each test. It opens the
// library with dlopen rather than QLibrary: QLibrary objects on one path share a single handle,
// so the loader's unload would unmap the library under the test's feet.
class FakeModuleProbe {
public:
    explicit FakeModuleProbe(const QString& path)
        : handle_(dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) {
            ADD_FAILURE() << dlerror();
            return;
        }
        const auto recordOf = reinterpret_cast<FakeModuleRecord* (*)()>(dlsym(handle_, "fakeModuleRecord"));
        if (!recordOf) {
            ADD_FAILURE() << "fakeModuleRecord is not exported";
            return;
        }
        record_ = recordOf();
        *record_ = FakeModuleRecord{};
    }
    ~FakeModuleProbe() {
        if (handle_)
            dlclose(handle_);
    }
    FakeModuleProbe(const FakeModuleProbe&) = delete;
    FakeModuleProbe& operator=(const FakeModuleProbe&) = delete;

    FakeModuleRecord& record() { return *record_; }

private:
    void* handle_;
    FakeModuleRecord* record_ = nullptr;
};

inline const QString kFakeModule = QStringLiteral(FAKE_MODULE_FILE);
inline const QString kFakeModuleWithoutEntry = QStringLiteral(FAKE_MODULE_WITHOUT_ENTRY_FILE);
inline const QString kFakeModuleUnresolved = QStringLiteral(FAKE_MODULE_UNRESOLVED_FILE);
