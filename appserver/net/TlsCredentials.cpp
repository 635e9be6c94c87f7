#include "appserver/net/TlsCredentials.h"

#include "appserver/net/ClientListener.h"
#include "wire/TlsCiphers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

namespace {

// Certificates and keys are a few kilobytes; anything this large is the wrong file.
constexpr qint64 kMaxPemFileBytes = 1024 * 1024;
constexpr int kSelfHandshakeTimeoutMs = 10000;

enum class PemFile { Certificate, Key };

std::optional<QByteArray> readPemFile(const QString& path, PemFile what, QString* whyNot) {
    const bool certificate = what == PemFile::Certificate;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = QFileInfo(path).isDir()
                                   ? QCoreApplication::translate("TlsCredentials", "it is a directory")
                                   : file.errorString();
        *whyNot = (certificate
                       ? QCoreApplication::translate("TlsCredentials",
                                                     "cannot read the TLS certificate file %1: %2")
                       : QCoreApplication::translate("TlsCredentials", "cannot read the TLS key file %1: %2"))
                      .arg(path, reason);
        return std::nullopt;
    }
    const QByteArray content = file.read(kMaxPemFileBytes + 1);
    if (content.size() > kMaxPemFileBytes) {
        *whyNot = (certificate ? QCoreApplication::translate(
                                     "TlsCredentials", "the TLS certificate file %1 is larger than %2 bytes")
                               : QCoreApplication::translate("TlsCredentials",
                                                             "the TLS key file %1 is larger than %2 bytes"))
                      .arg(path, QString::number(kMaxPemFileBytes));
        return std::nullopt;
    }
    return content;
}

// QSslKey reads a key only when told its algorithm.
QSslKey privateKeyFrom(const QByteArray& pem) {
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    return {};
}

QString namesOf(const QSslCertificate& certificate) {
    QStringList names = certificate.subjectAlternativeNames().values();
    if (names.isEmpty())
        names = certificate.subjectInfo(QSslCertificate::CommonName);
    return names.join(QStringLiteral(", "));
}

// The server side of a handshake with a client of its own over loopback; the client trusts
// anything, as only the server's set-up is in question. The reason the server side failed, or
// empty when the handshake finished.
QString handshakeWithItself(const QSslConfiguration& configuration) {
    ClientListener listener(configuration);
    if (!listener.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return QCoreApplication::translate("TlsCredentials", "cannot try the certificate and key: %1")
            .arg(listener.errorString());

    QSslSocket client;
    QSslConfiguration trustingAnything = QSslConfiguration::defaultConfiguration();
    trustingAnything.setPeerVerifyMode(QSslSocket::VerifyNone);
    client.setSslConfiguration(trustingAnything);

    QEventLoop loop;
    QString failure =
        QCoreApplication::translate("TlsCredentials", "the handshake did not finish within %1 s")
            .arg(kSelfHandshakeTimeoutMs / 1000);
    QSslSocket* server = nullptr; // the listener's child
    QObject::connect(&listener, &QTcpServer::newConnection, &loop, [&] {
        server = static_cast<QSslSocket*>(listener.nextPendingConnection());
        QObject::connect(server, &QSslSocket::encrypted, &loop, [&] {
            failure.clear();
            loop.quit();
        });
        QObject::connect(
            server, &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError error) {
                failure = server->errorString();
                // Qt reports the pair refused while it sets up its TLS context without OpenSSL's
                // reason ("Unable to init SSL Context: "); a key that does not fit is by far the most
                // likely one.
                if (error == QAbstractSocket::SslInternalError) {
                    while (failure.endsWith(QLatin1Char(' ')) || failure.endsWith(QLatin1Char(':')))
                        failure.chop(1);
                    failure = QCoreApplication::translate(
                                  "TlsCredentials",
                                  "the key does not belong to the certificate, or the TLS library "
                                  "refuses them (%1)")
                                  .arg(failure);
                }
                loop.quit();
            });
        server->startServerEncryption();
    });
    QTimer::singleShot(kSelfHandshakeTimeoutMs, &loop, &QEventLoop::quit);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), listener.serverPort());
    loop.exec();
    client.abort();
    if (server)
        server->abort();
    return failure;
}

} // namespace

std::optional<TlsCredentials> loadTlsCredentials(const QString& certificateFile, const QString& keyFile,
                                                 QString* whyNot) {
    if (!QSslSocket::supportsSsl()) {
        *whyNot = QCoreApplication::translate(
                      "TlsCredentials", "TLS is not available: Qt found no TLS library (it was built for %1)")
                      .arg(QSslSocket::sslLibraryBuildVersionString());
        return std::nullopt;
    }
    const std::optional<QByteArray> certificatePem =
        readPemFile(certificateFile, PemFile::Certificate, whyNot);
    if (!certificatePem)
        return std::nullopt;
    const std::optional<QByteArray> keyPem = readPemFile(keyFile, PemFile::Key, whyNot);
    if (!keyPem)
        return std::nullopt;

    const QList<QSslCertificate> chain = QSslCertificate::fromData(*certificatePem, QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull()) {
        *whyNot = QCoreApplication::translate("TlsCredentials",
                                              "the TLS certificate file %1 holds no PEM certificate")
                      .arg(certificateFile);
        return std::nullopt;
    }
    const QSslKey key = privateKeyFrom(*keyPem);
    if (key.isNull()) {
        *whyNot =
            QCoreApplication::translate(
                "TlsCredentials", "the TLS key file %1 holds no unencrypted PEM private key (RSA, EC or DSA)")
                .arg(keyFile);
        return std::nullopt;
    }

    TlsCredentials credentials;
    QSslConfiguration& configuration = credentials.configuration;
    configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setCiphers(TlsCiphers::forwardSecretAead());
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);

    if (const QString failure = handshakeWithItself(configuration); !failure.isEmpty()) {
        *whyNot = QCoreApplication::translate("TlsCredentials",
                                              "the TLS certificate %1 and key %2 cannot serve: %3")
                      .arg(certificateFile, keyFile, failure);
        return std::nullopt;
    }

    const QSslCertificate& certificate = chain.first();
    const QString issuer = certificate.issuerDisplayName();
    credentials.description =
        QCoreApplication::translate("TlsCredentials", "certificate for %1, signed by %2, valid until %3")
            .arg(namesOf(certificate), issuer.isEmpty() ? QStringLiteral("?") : issuer,
                 certificate.expiryDate().toString(Qt::ISODate));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (certificate.expiryDate() < now)
        credentials.warnings.append(
            QCoreApplication::translate("TlsCredentials",
                                        "the TLS certificate %1 expired on %2: clients will refuse it")
                .arg(certificateFile, certificate.expiryDate().toString(Qt::ISODate)));
    else if (certificate.effectiveDate() > now)
        credentials.warnings.append(
            QCoreApplication::translate(
                "TlsCredentials",
                "the TLS certificate %1 is not valid before %2: clients will refuse it until then")
                .arg(certificateFile, certificate.effectiveDate().toString(Qt::ISODate)));
    // Group-readable is the usual way to share a key with a service (Debian's ssl-cert group).
    if (QFile::permissions(keyFile) & QFileDevice::ReadOther)
        credentials.warnings.append(
            QCoreApplication::translate(
                "TlsCredentials",
                "the TLS key file %1 is readable by every user; make it readable by its owner "
                "(or group) only")
                .arg(keyFile));
    return credentials;
}
