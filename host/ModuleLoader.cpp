#include "host/ModuleLoader.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FailureHandling.h"
#include "toolkit/ScopeGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr const char* kInitialize = "Initialize";
constexpr const char* kEntry = "IniProc";
constexpr const char* kFinalize = "Finalize";
} // namespace

ModuleLoader::ModuleLoader(QString libraryPath)
    : libraryPath_(std::move(libraryPath)), library_(libraryPath_) {
    // Resolving everything at load time reports a module built against another platform
    // version when it is loaded, not when the user reaches the missing function. The module's
    // widgets may outlive Finalize inside Qt's object trees, so its code must stay mapped.
    library_.setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
}

ModuleLoader::~ModuleLoader() {
    Toolkit::guarded([this] { unload(); });
}

QString ModuleLoader::defaultLibraryPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../" VDR_PRIVATE_LIBDIR "/libCli_Vdr04000.so"));
}

void ModuleLoader::load() {
    if (isLoaded())
        return;
    // QLibrary tries other prefixes and suffixes for a missing file and then reports the last
    // of them, which would only mislead here.
    if (!QFileInfo::exists(libraryPath_))
        throw Exception(tr("The module library \"%1\" was not found.").arg(libraryPath_));
    if (!library_.load())
        throw Exception(
            tr("Cannot load the module library \"%1\": %2").arg(libraryPath_, library_.errorString()));
    ScopeExit unloadUnlessStarted([this] { library_.unload(); });
    const EntryPoint initialize = resolve(kInitialize);
    const EntryPoint entry = resolve(kEntry);
    const EntryPoint finalize = resolve(kFinalize);
    initialize();
    entry_ = entry;
    finalize_ = finalize;
    unloadUnlessStarted.dismiss();
}

void ModuleLoader::runEntry() {
    load();
    entry_();
}

void ModuleLoader::unload() {
    if (!isLoaded())
        return;
    const EntryPoint finalize = finalize_;
    entry_ = nullptr;
    finalize_ = nullptr;
    // Unloaded even when Finalize fails: the module is finished either way and a later load
    // starts it afresh.
    const ScopeExit unloadAfter([this] { library_.unload(); });
    finalize();
}

ModuleLoader::EntryPoint ModuleLoader::resolve(const char* symbol) {
    if (const QFunctionPointer address = library_.resolve(symbol))
        return address;
    throw Exception(tr("The module library \"%1\" does not export \"%2\": %3")
                        .arg(libraryPath_, QString::fromLatin1(symbol), library_.errorString()));
}
