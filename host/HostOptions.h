#pragma once

#include "cmdline/CommandLine.h"
#include "host/TlsOptions.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The host's command line, with the environment variables that stand in for its options.
// Parsing needs no screen, so both host executables and the tests use it alike.
class HostOptions : public CommandLine {
    Q_DECLARE_TR_FUNCTIONS(HostOptions)

public:
    // Names the module library in place of --module.
    static constexpr const char* kModulePathVariable = "VDR_MODULE_PATH";

    // arguments as QCoreApplication::arguments() gives them: the program first, Qt's own
    // options already taken out.
    static HostOptions parse(const QStringList& arguments);

    // --capture: open the capture window as soon as the main window is up.
    bool captureAtStart() const { return captureAtStart_; }
    // --server HOST:PORT, --tls, --ca-file FILE, --plain-text.
    const ServerOverride& server() const { return server_; }
    // Absolute path of the module library: --module, else VDR_MODULE_PATH, else beside the
    // executable (ModuleLoader::defaultLibraryPath()).
    const QString& moduleLibraryPath() const { return moduleLibraryPath_; }

    // Makes --server and the TLS options what every connect of this process uses, without saving
    // them.
    void applyServerOverride() const { server_.apply(); }

    // The module library: the option's value when given, else VDR_MODULE_PATH, else the default.
    static QString resolveModulePath(const QString& optionValue);

private:
    // The options of a line that parsed; whether it is still a run.
    bool read(const QCommandLineParser& parser);

    bool captureAtStart_ = false;
    ServerOverride server_;
    QString moduleLibraryPath_;
};
