#include "host/HostOptions.h"

#include "host/ModuleLoader.h"

#include "components/ServerSettings.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace {

QString absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

// Read as the authority of a URL so that host names, IPv4 and bracketed IPv6 addresses are
// checked by Qt rather than by hand.
std::optional<HostOptions::ServerAddress> HostOptions::parseServerAddress(const QString& text) {
    const QUrl url(QStringLiteral("tcp://") + text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment())
        return std::nullopt;
    const int port = url.port();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return ServerAddress{url.host(), port};
}

QString HostOptions::resolveModulePath(const QString& optionValue) {
    if (!optionValue.isEmpty())
        return absolute(optionValue);
    if (const QString fromEnvironment = qEnvironmentVariable(kModulePathVariable); !fromEnvironment.isEmpty())
        return absolute(fromEnvironment);
    return ModuleLoader::defaultLibraryPath();
}

HostOptions HostOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Vdr - Tradutor: opens the translation capture module and keeps the address of "
           "the application server."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption captureOption(QStringLiteral("capture"),
                                           tr("Open the capture window at start-up."));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        tr("Use the application server at HOST:PORT for this run; the saved address is kept."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption moduleOption(
        QStringLiteral("module"),
        tr("Load the capture module from PATH (default: %1, else %2).")
            .arg(QString::fromLatin1(kModulePathVariable), ModuleLoader::defaultLibraryPath()),
        QStringLiteral("PATH"));
    parser.addOptions({captureOption, serverOption, moduleOption});
    TlsOptions::addTo(parser);

    HostOptions options;
    options.helpText_ = parser.helpText();
    if (!parser.parse(arguments)) {
        options.request_ = Request::UsageError;
        options.usageError_ = parser.errorText();
        return options;
    }
    // Qt keeps the text with its own options to itself, so --help-all shows the same help.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        options.request_ = Request::ShowHelp;
        return options;
    }
    if (parser.isSet(versionOption)) {
        options.request_ = Request::ShowVersion;
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.request_ = Request::UsageError;
        options.usageError_ =
            tr("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst());
        return options;
    }

    options.captureAtStart_ = parser.isSet(captureOption);
    if (parser.isSet(serverOption)) {
        const QString value = parser.value(serverOption);
        const auto server = parseServerAddress(value);
        if (!server) {
            options.request_ = Request::UsageError;
            options.usageError_ =
                tr("Invalid --server value \"%1\": expected HOST:PORT with a port from 1 to 65535.")
                    .arg(value);
            return options;
        }
        options.serverHost_ = server->host;
        options.serverPort_ = server->port;
    }
    QString whyNot;
    const std::optional<TlsOptions> tls = TlsOptions::read(parser, &whyNot);
    if (!tls) {
        options.request_ = Request::UsageError;
        options.usageError_ = whyNot;
        return options;
    }
    options.tls_ = *tls;

    if (parser.isSet(moduleOption)) {
        if (parser.value(moduleOption).isEmpty()) {
            options.request_ = Request::UsageError;
            options.usageError_ = tr("The --module option needs the path of the module library.");
            return options;
        }
    }
    options.moduleLibraryPath_ = resolveModulePath(parser.value(moduleOption));
    return options;
}

void HostOptions::applyServerOverride() const {
    ServerSettings::setOverride({.host = serverHost_,
                                 .port = serverPort_,
                                 .tls = tls_.tls,
                                 .caFile = tls_.caFile,
                                 .plainText = tls_.plainText});
}
