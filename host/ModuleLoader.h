#pragma once

#include <QCoreApplication>
#include <QLibrary>
#include <QString>

// Drives the capture module through the C entry points it exports, loading the library at run
// time: Initialize once after loading, IniProc whenever the user asks for the capture, Finalize
// before unloading. Every failure of its own is an Exception naming the library or the symbol;
// failures of the module's code pass through unchanged.
class ModuleLoader {
    Q_DECLARE_TR_FUNCTIONS(ModuleLoader)

public:
    explicit ModuleLoader(QString libraryPath);
    // Finalizes and unloads a loaded module; a failure goes to the toolkit's failure handling.
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // libCli_Vdr04000.so in the programs' own library directory beside the executable's
    // (<directory of the executable>/../lib/vdr04000), where the build and the installation put
    // the module.
    static QString defaultLibraryPath();

    const QString& libraryPath() const { return libraryPath_; }
    bool isLoaded() const { return entry_ != nullptr; }

    // Loads the library, checks that it exports the three entry points and runs Initialize.
    // Does nothing when already loaded.
    void load();
    // Loads when needed, then runs IniProc and returns when the module's window has closed.
    void runEntry();
    // Runs Finalize and unloads. Does nothing when not loaded.
    void unload();

private:
    using EntryPoint = void (*)();

    EntryPoint resolve(const char* symbol);

    QString libraryPath_;
    QLibrary library_;
    EntryPoint entry_ = nullptr;
    EntryPoint finalize_ = nullptr;
};
