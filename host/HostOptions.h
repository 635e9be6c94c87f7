#pragma once

#include "host/TlsOptions.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The host's command line, with the environment variables that stand in for its options.
// Parsing needs no screen, so both host executables and the tests use it alike.
class HostOptions {
    Q_DECLARE_TR_FUNCTIONS(HostOptions)

public:
    enum class Request { Run, ShowHelp, ShowVersion, UsageError };

    // Names the module library in place of --module.
    static constexpr const char* kModulePathVariable = "VDR_MODULE_PATH";

    // arguments as QCoreApplication::arguments() gives them: the program first, Qt's own
    // options already taken out.
    static HostOptions parse(const QStringList& arguments);

    Request request() const { return request_; }
    // What was wrong with the command line, when request() is UsageError.
    const QString& usageError() const { return usageError_; }
    const QString& helpText() const { return helpText_; }

    // --capture: open the capture window as soon as the main window is up.
    bool captureAtStart() const { return captureAtStart_; }
    // --server HOST:PORT; both set or neither.
    const std::optional<QString>& serverHost() const { return serverHost_; }
    const std::optional<int>& serverPort() const { return serverPort_; }
    // --tls, --ca-file FILE.
    const TlsOptions& tls() const { return tls_; }
    // Absolute path of the module library: --module, else VDR_MODULE_PATH, else beside the
    // executable (ModuleLoader::defaultLibraryPath()).
    const QString& moduleLibraryPath() const { return moduleLibraryPath_; }

    // Makes --server, --tls and --ca-file what every connect of this process uses, without saving
    // them.
    void applyServerOverride() const;

    struct ServerAddress {
        QString host;
        int port = 0;
    };
    // HOST:PORT as both host executables take it; nothing when malformed.
    static std::optional<ServerAddress> parseServerAddress(const QString& text);
    // The module library: the option's value when given, else VDR_MODULE_PATH, else the default.
    static QString resolveModulePath(const QString& optionValue);

private:
    Request request_ = Request::Run;
    QString usageError_;
    QString helpText_;
    bool captureAtStart_ = false;
    std::optional<QString> serverHost_;
    std::optional<int> serverPort_;
    TlsOptions tls_;
    QString moduleLibraryPath_;
};
