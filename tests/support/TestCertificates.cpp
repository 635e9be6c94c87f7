#include "tests/support/TestCertificates.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>

#include <stdexcept>

namespace {

// Only what these certificates need, so that the machine's openssl.cnf has no say.
const QByteArray kConfiguration = "[req]\n"
                                  "distinguished_name = subject\n"
                                  "[subject]\n"
                                  "[ca]\n"
                                  "basicConstraints = critical, CA:TRUE\n"
                                  "keyUsage = critical, keyCertSign, cRLSign\n"
                                  "subjectKeyIdentifier = hash\n";

const QStringList kNewKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

const QStringList kNewRsaKey = {QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                                QStringLiteral("-nodes")};

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

TestCertificates::TestCertificates() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot make a temporary directory for the certificates");
    writeFile(dir_.filePath(QStringLiteral("openssl.cnf")), kConfiguration);
    makeCa(QStringLiteral("ca"), QStringLiteral("Vdr test CA"));
    makeCa(QStringLiteral("unknown-ca"), QStringLiteral("Vdr test CA nobody trusts"));
}

void TestCertificates::makeCa(const QString& name, const QString& commonName) {
    openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new")} + kNewKey +
            QStringList{QStringLiteral("-keyout"), dir_.filePath(name + QStringLiteral(".key")),
                        QStringLiteral("-out"), dir_.filePath(name + QStringLiteral(".pem")),
                        QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                        QStringLiteral("/CN=") + commonName, QStringLiteral("-extensions"),
                        QStringLiteral("ca")});
}

TestCertificates::Server TestCertificates::makeServer(const QStringList& names, Kind kind, Key key,
                                                      const QString& commonName) {
    const QString stem = dir_.filePath(QStringLiteral("server-%1").arg(++issued_));
    QStringList alternativeNames;
    for (const QString& name : names)
        alternativeNames.append(
            (QHostAddress(name).isNull() ? QStringLiteral("DNS:") : QStringLiteral("IP:")) + name);
    writeFile(stem + QStringLiteral(".ext"), "[server]\n"
                                             "basicConstraints = critical, CA:FALSE\n"
                                             "keyUsage = critical, digitalSignature\n"
                                             "extendedKeyUsage = serverAuth\n"
                                             "subjectAltName = " +
                                                 alternativeNames.join(QStringLiteral(", ")).toUtf8() + "\n");

    const Server made{stem + QStringLiteral(".pem"), stem + QStringLiteral(".key")};
    openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} +
            (key == Key::Rsa ? kNewRsaKey : kNewKey) +
            QStringList{QStringLiteral("-keyout"), made.key, QStringLiteral("-out"),
                        stem + QStringLiteral(".csr"), QStringLiteral("-subj"),
                        QStringLiteral("/CN=") + (commonName.isEmpty() ? names.value(0) : commonName)});
    const QString ca = kind == Kind::FromUnknownCa ? QStringLiteral("unknown-ca") : QStringLiteral("ca");
    // A negative validity ends the certificate a day before it begins: expired from the start.
    openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
             stem + QStringLiteral(".csr"), QStringLiteral("-CA"), dir_.filePath(ca + QStringLiteral(".pem")),
             QStringLiteral("-CAkey"), dir_.filePath(ca + QStringLiteral(".key")), QStringLiteral("-days"),
             kind == Kind::Expired ? QStringLiteral("-1") : QStringLiteral("2"), QStringLiteral("-extfile"),
             stem + QStringLiteral(".ext"), QStringLiteral("-extensions"), QStringLiteral("server"),
             QStringLiteral("-out"), made.certificate});
    return made;
}

void TestCertificates::openssl(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OPENSSL_CONF"), dir_.filePath(QStringLiteral("openssl.cnf")));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForStarted(10000))
        throw std::runtime_error("cannot run openssl (scripts/install-deps.sh installs it): " +
                                 process.errorString().toStdString());
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        throw std::runtime_error("openssl " + arguments.join(QLatin1Char(' ')).toStdString() + " failed:\n" +
                                 process.readAll().toStdString());
    }
}
