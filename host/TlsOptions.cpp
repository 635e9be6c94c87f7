#include "host/TlsOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {
const QString kTls = QStringLiteral("tls");
const QString kCaFile = QStringLiteral("ca-file");
const QString kPlainText = QStringLiteral("plain-text");
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
