#include "components/TlsClient.h"

#include "toolkit/Exceptions.h"
#include "wire/TlsCiphers.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

namespace {

// A handshake the server ended without a word: it serves plain TCP, or it is turning connections
// away faster than it can tell each one; from here the two look alike.
QString plainServerHint() {
    return QCoreApplication::translate(
        "TlsClient", "a server started without --tls-cert and --tls-key serves plain TCP only; a server "
                     "flooded with connections may also close new ones without a word");
}

QList<QSslCertificate> readCaFile(const QString& caFile, const QString& where) {
    QFile file(caFile);
    if (!file.open(QIODevice::ReadOnly))
        throw ESocketError(QCoreApplication::translate(
                               "TlsClient", "Cannot read the CA file %1 for the application server at %2: %3")
                               .arg(caFile, where, file.errorString()));
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (certificates.isEmpty())
        throw ESocketError(
            QCoreApplication::translate(
                "TlsClient", "The CA file %1 for the application server at %2 holds no PEM certificate")
                .arg(caFile, where));
    return certificates;
}

QSslConfiguration clientConfiguration(const QString& caFile, const QString& where) {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setCiphers(TlsCiphers::forwardSecretAead());
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // Replaces the system's certificates, and stops Qt from looking them up on demand.
    if (!caFile.isEmpty())
        configuration.setCaCertificates(readCaFile(caFile, where));
    return configuration;
}

// RFC 6125: one DNS name against one pattern, a "*" allowed as the whole leftmost label only.
bool dnsNameMatches(const QString& pattern, const QString& host) {
    if (pattern.startsWith(QLatin1String("*."))) {
        const qsizetype dot = host.indexOf(QLatin1Char('.'));
        // The wildcard stands for one whole label; a pattern of a top-level domain matches nothing.
        return dot > 0 && pattern.count(QLatin1Char('.')) >= 2 &&
               host.mid(dot).compare(pattern.mid(1), Qt::CaseInsensitive) == 0;
    }
    return pattern.compare(host, Qt::CaseInsensitive) == 0;
}

} // namespace

bool subjectAlternativeNamesAllow(const QSslCertificate& certificate, const QString& host) {
    const auto names = certificate.subjectAlternativeNames();
    const QList<QString> dnsNames = names.values(QSsl::DnsEntry);
    const QList<QString> ipAddresses = names.values(QSsl::IpAddressEntry);
    if (dnsNames.isEmpty() && ipAddresses.isEmpty())
        return true; // no names of these kinds: the common name is all there is, as Qt checks it
    QString name = host;
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    const QHostAddress address(name);
    if (!address.isNull()) {
        for (const QString& ip : ipAddresses) {
            if (QHostAddress(ip).isEqual(address, QHostAddress::StrictConversion))
                return true;
        }
        return false;
    }
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    for (const QString& pattern : dnsNames) {
        if (dnsNameMatches(pattern, name))
            return true;
    }
    return false;
}

namespace {

QString describe(const QList<QSslError>& errors) {
    QStringList texts;
    for (const QSslError& error : errors)
        texts.append(error.errorString());
    texts.removeDuplicates();
    return texts.join(QStringLiteral("; "));
}

} // namespace

std::unique_ptr<QSslSocket> connectVerified(const QString& host, quint16 port, const QString& caFile,
                                            int timeoutMs, const QString& where) {
    if (!QSslSocket::supportsSsl())
        throw ESocketError(
            QCoreApplication::translate("TlsClient",
                                        "Cannot connect to the application server at %1 over TLS: Qt found "
                                        "no TLS library (it was built for %2)")
                .arg(where, QSslSocket::sslLibraryBuildVersionString()));
    auto socket = std::make_unique<QSslSocket>();
    socket->setSslConfiguration(clientConfiguration(caFile, where));
    bool reached = false;
    const QMetaObject::Connection watch =
        QObject::connect(socket.get(), &QAbstractSocket::connected, [&reached] { reached = true; });
    socket->connectToHostEncrypted(host, port, host);
    const bool encrypted = socket->waitForEncrypted(timeoutMs);
    QObject::disconnect(watch);
    if (encrypted) {
        // Qt also accepts a certificate by its common name when its alternative names do not
        // match; RFC 6125 forbids that, as the common name may name anything the CA let it.
        if (!subjectAlternativeNamesAllow(socket->peerCertificate(), host)) {
            socket->abort();
            throw ESocketError(
                QCoreApplication::translate("TlsClient",
                                            "Refused the application server at %1: its certificate cannot be "
                                            "trusted: none of its subject alternative names is %2 (its "
                                            "common name is not used when it has them). Nothing was sent "
                                            "to it")
                    .arg(where, host));
        }
        return socket;
    }

    // Qt has already closed the connection on any certificate error; nothing went out.
    const QList<QSslError> refused = socket->sslHandshakeErrors();
    if (!refused.isEmpty())
        throw ESocketError(QCoreApplication::translate(
                               "TlsClient", "Refused the application server at %1: its certificate cannot be "
                                            "trusted: %2. Nothing was sent to it")
                               .arg(where, describe(refused)));
    if (!reached)
        throw ESocketError(
            QCoreApplication::translate("TlsClient", "Cannot connect to the application server at %1: %2")
                .arg(where, socket->errorString()));
    if (socket->error() == QAbstractSocket::SocketTimeoutError)
        throw ESocketError(
            QCoreApplication::translate("TlsClient",
                                        "The TLS handshake with the application server at %1 did not finish "
                                        "within %2 s (%3)")
                .arg(where)
                .arg(timeoutMs / 1000.0)
                .arg(plainServerHint()));
    throw ESocketError(QCoreApplication::translate(
                           "TlsClient", "The TLS handshake with the application server at %1 failed: %2 (%3)")
                           .arg(where, socket->errorString(), plainServerHint()));
}
