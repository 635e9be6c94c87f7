#include "host/ModuleLoader.h"
#include "tests/host/FakeModuleProbe.h"

#include "toolkit/Exceptions.h"

#include <QFile>
#include <QLibrary>

#include <QTemporaryDir>
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The message of the Exception body throws; fails the test when it throws nothing else.
QString failureOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exception& failure) {
        return failure.message();
    }
    ADD_FAILURE() << "no Exception thrown";
    return {};
}

QString loadErrorOf(const QString& path) {
    QLibrary library(path);
    EXPECT_FALSE(library.load());
    return library.errorString();
}

TEST(ModuleLoaderLifeTest, InitializesOnceRunsTheEntryEachTimeAndFinalizesOnUnload) {
    FakeModuleProbe module(kFakeModule);
    ModuleLoader loader(kFakeModule);
    EXPECT_FALSE(loader.isLoaded());
    EXPECT_EQ(loader.libraryPath(), kFakeModule);

    loader.runEntry();
    EXPECT_TRUE(loader.isLoaded());
    loader.runEntry();
    loader.load();
    EXPECT_EQ(module.record().calls, "IEE");

    loader.unload();
    EXPECT_FALSE(loader.isLoaded());
    EXPECT_EQ(module.record().calls, "IEEF");
    loader.unload();
    EXPECT_EQ(module.record().calls, "IEEF");
}

TEST(ModuleLoaderLifeTest, LoadingAgainAfterUnloadStartsTheModuleAfresh) {
    FakeModuleProbe module(kFakeModule);
    ModuleLoader loader(kFakeModule);
    loader.load();
    loader.unload();
    loader.runEntry();
    EXPECT_EQ(module.record().calls, "IFIE");
}

TEST(ModuleLoaderLifeTest, DestroyingTheLoaderFinalizesALoadedModule) {
    FakeModuleProbe module(kFakeModule);
    {
        ModuleLoader loader(kFakeModule);
        loader.load();
    }
    EXPECT_EQ(module.record().calls, "IF");
}

TEST(ModuleLoaderLifeTest, DestroyingAnUnusedLoaderLeavesTheModuleAlone) {
    FakeModuleProbe module(kFakeModule);
    { ModuleLoader loader(kFakeModule); }
    EXPECT_EQ(module.record().calls, "");
}

TEST(ModuleLoaderLifeTest, AFailureOfTheEntryPassesThroughAndTheModuleStaysLoaded) {
    FakeModuleProbe module(kFakeModule);
    module.record().entryFails = true;
    ModuleLoader loader(kFakeModule);
    EXPECT_EQ(failureOf([&] { loader.runEntry(); }), QStringLiteral("The capture window failed"));
    EXPECT_TRUE(loader.isLoaded());

    module.record().entryFails = false;
    loader.runEntry();
    EXPECT_EQ(module.record().calls, "IEE");
}

TEST(ModuleLoaderLifeTest, AFailingFinalizePassesThroughButTheModuleIsUnloaded) {
    FakeModuleProbe module(kFakeModule);
    ModuleLoader loader(kFakeModule);
    loader.load();
    module.record().finalizeFails = true;
    EXPECT_EQ(failureOf([&] { loader.unload(); }), QStringLiteral("Finalize failed"));
    EXPECT_FALSE(loader.isLoaded());
    EXPECT_EQ(module.record().calls, "IF");
}

TEST(ModuleLoaderErrorTest, MissingLibraryIsReportedAsNotFoundWithItsPath) {
    const QString path = QStringLiteral("/nonexistent/vdr/libCli_Vdr04000.so");
    ModuleLoader loader(path);
    const QString message = failureOf([&] { loader.load(); });
    EXPECT_EQ(message, QStringLiteral("The module library \"%1\" was not found.").arg(path));
    EXPECT_FALSE(loader.isLoaded());
}

TEST(ModuleLoaderErrorTest, RunningTheEntryOfAMissingLibraryFailsTheSameWay) {
    const QString path = QStringLiteral("/nonexistent/vdr/libCli_Vdr04000.so");
    ModuleLoader loader(path);
    EXPECT_TRUE(failureOf([&] { loader.runEntry(); }).contains(path));
}

TEST(ModuleLoaderErrorTest, AFileThatIsNoLibraryNamesThePathAndTheLoadError) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString path = directory.filePath(QStringLiteral("libCli_Vdr04000.so"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a shared library\n");
    file.close();

    ModuleLoader loader(path);
    const QString message = failureOf([&] { loader.load(); });
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_TRUE(message.contains(loadErrorOf(path))) << message.toStdString();
}

TEST(ModuleLoaderErrorTest, ALibraryWithAnUnresolvedSymbolFailsToLoadNamingIt) {
    ModuleLoader loader(kFakeModuleUnresolved);
    const QString message = failureOf([&] { loader.load(); });
    EXPECT_TRUE(message.contains(kFakeModuleUnresolved)) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("vdrPlatformFunctionThatIsGone"))) << message.toStdString();
    EXPECT_FALSE(loader.isLoaded());
}

TEST(ModuleLoaderErrorTest, LibraryWithoutTheEntryNamesTheSymbolAndIsNotInitialized) {
    FakeModuleProbe module(kFakeModuleWithoutEntry);
    ModuleLoader loader(kFakeModuleWithoutEntry);
    const QString message = failureOf([&] { loader.load(); });
    EXPECT_TRUE(message.contains(QStringLiteral("\"IniProc\""))) << message.toStdString();
    EXPECT_TRUE(message.contains(kFakeModuleWithoutEntry)) << message.toStdString();
    EXPECT_FALSE(loader.isLoaded());
    EXPECT_EQ(module.record().calls, "");

    // Nothing was initialized, so there is nothing to finalize either.
    loader.unload();
    EXPECT_EQ(module.record().calls, "");
}

#ifdef REAL_MODULE_FILE
// The real module: the loader finds its entry points and runs its load and unload steps. Its
// entry opens a modal window, so it is not called here.
TEST(RealModuleTest, LoadsInitializesAndFinalizes) {
    const QString path = QStringLiteral(REAL_MODULE_FILE);
    if (!QFile::exists(path))
        GTEST_SKIP() << "the module library is not built: " << path.toStdString();

    ModuleLoader loader(path);
    loader.load();
    EXPECT_TRUE(loader.isLoaded());
    // The module's variables, looked up in the library the loader has just loaded.
    void* module = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const char* variable : {"frmLeituraPocket", "boStcriado", "stIdiLeDfm", "stTestProp", "inQtde"})
        EXPECT_NE(dlsym(module, variable), nullptr) << variable;
    if (const auto* created = static_cast<const bool*>(dlsym(module, "boStcriado"))) {
        EXPECT_FALSE(*created) << "no capture window before the entry has run";
    }
    dlclose(module);

    loader.unload();
    EXPECT_FALSE(loader.isLoaded());
}
#endif

} // namespace
