#include "host/TlsOptions.h"

#include "components/ServerSettings.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace {
const QString kServer = QStringLiteral("server");
const QString kTls = QStringLiteral("tls");
const QString kCaFile = QStringLiteral("ca-file");
const QString kPlainText = QStringLiteral("plain-text");

// Read as the authority of a URL so that host names, IPv4 and bracketed IPv6 addresses are
// checked by Qt rather than by hand. Whether text is HOST:PORT.
bool readServerAddress(const QString& text, ServerOverride& server) {
    const QUrl url(QStringLiteral("tcp://") + text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment())
        return false;
    const int port = url.port();
    if (port < 1 || port > 65535)
        return false;
    server.host = url.host();
    server.port = port;
    return true;
}
} // namespace

void TlsOptions::addTo(QCommandLineParser& parser) {
    parser.addOption(QCommandLineOption(
        kTls, tr("Connect to the application server over TLS, verifying its certificate for the "
                 "server's host name (overrides the settings).")));
    parser.addOption(QCommandLineOption(
        kCaFile,
        tr("Trust only the CA certificates in this PEM file, instead of the system's, to verify "
           "the server's certificate; implies --tls."),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        kPlainText, tr("Send the access token without TLS even to a server off this machine, "
                       "where anyone on the way can read it (refused otherwise).")));
}

std::optional<TlsOptions> TlsOptions::read(const QCommandLineParser& parser, QString* whyNot) {
    TlsOptions options;
    if (parser.isSet(kTls))
        options.tls = true;
    if (parser.isSet(kPlainText))
        options.plainText = true;
    if (parser.isSet(kCaFile)) {
        const QFileInfo file(parser.value(kCaFile));
        if (parser.value(kCaFile).isEmpty()) {
            *whyNot = tr("--ca-file needs the path of a PEM file of CA certificates");
            return std::nullopt;
        }
        // Found out now rather than at the first connect.
        if (!file.isFile() || !file.isReadable()) {
            *whyNot = tr("--ca-file: cannot read the file %1").arg(parser.value(kCaFile));
            return std::nullopt;
        }
        options.caFile = file.absoluteFilePath();
        options.tls = true;
    }
    return options;
}

bool ServerOverride::read(const QCommandLineParser& parser, const QString& badServer, QString* whyNot) {
    if (parser.isSet(kServer) && !readServerAddress(parser.value(kServer), *this)) {
        *whyNot = badServer.arg(parser.value(kServer));
        return false;
    }
    const std::optional<TlsOptions> given = TlsOptions::read(parser, whyNot);
    if (given)
        tls = *given;
    return given.has_value();
}

void ServerOverride::apply() const {
    ServerSettings::setOverride(
        {.host = host, .port = port, .tls = tls.tls, .caFile = tls.caFile, .plainText = tls.plainText});
}
