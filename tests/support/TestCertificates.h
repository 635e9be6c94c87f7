#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Certificates made for a test with the openssl command line, in a temporary directory that lives
// as long as this object: a CA the clients are told to trust, server certificates it signs for
// given names, expired ones, and ones from a second CA nobody trusts. Keys are EC P-256, quick to
// make.
class TestCertificates {
public:
    // Makes both CAs; throws std::runtime_error with openssl's own words when it cannot.
    TestCertificates();

    enum class Kind { Valid, Expired, FromUnknownCa };
    // RSA for what only an RSA key allows: TLS 1.2 suites with RSA key exchange.
    enum class Key { Ec, Rsa };
    struct Server {
        QString certificate; // PEM file
        QString key;         // PEM file, unencrypted
    };

    // The trusted CA's certificate, as a client's --ca-file.
    QString caFile() const { return dir_.filePath(QStringLiteral("ca.pem")); }
    // A server certificate with its own new key, for names (host names or IP addresses; the first
    // is also the common name unless commonName is given). Throws std::runtime_error when openssl
    // fails.
    Server makeServer(const QStringList& names, Kind kind = Kind::Valid, Key key = Key::Ec,
                      const QString& commonName = {});

private:
    void makeCa(const QString& name, const QString& commonName);
    void openssl(const QStringList& arguments);

    QTemporaryDir dir_;
    int issued_ = 0;
};
