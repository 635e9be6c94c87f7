#include "appserver/net/TlsCredentials.h"
#include "components/TlsClient.h"
#include "tests/support/TestCertificates.h"
#include "toolkit/Exceptions.h"
#include "wire/TlsCiphers.h"

#include <QEventLoop>
#include <QFile>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// What both ends of the link accept over TLS: which names a certificate must carry for the
// client, which suites either side lets TLS 1.2 negotiate. Each case runs a handshake over
// loopback against a server on a thread of its own, as the client waits blocking.

namespace {

// Starts the handshake of every connection it accepts; answers nothing.
class HandshakingServer : public QTcpServer {
public:
    explicit HandshakingServer(QSslConfiguration configuration) : configuration_(std::move(configuration)) {}

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        socket->setSslConfiguration(configuration_);
        socket->setSocketDescriptor(descriptor);
        socket->startServerEncryption();
    }

private:
    QSslConfiguration configuration_;
};

// A HandshakingServer on 127.0.0.1, its own thread and event loop, for as long as this object.
class LoopbackServer {
public:
    explicit LoopbackServer(const QSslConfiguration& configuration) {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        thread_ = std::thread([this, configuration, &listening] {
            QEventLoop loop;
            HandshakingServer server(configuration);
            server.listen(QHostAddress::LocalHost, 0);
            loop_ = &loop;
            listening.set_value(server.serverPort());
            loop.exec();
        });
        port_ = port.get();
    }
    ~LoopbackServer() {
        QMetaObject::invokeMethod(loop_.load(), &QEventLoop::quit, Qt::QueuedConnection);
        thread_.join();
    }
    quint16 port() const { return port_; }

private:
    std::thread thread_;
    std::atomic<QEventLoop*> loop_ = nullptr;
    quint16 port_ = 0;
};

QSslConfiguration servingWith(const TestCertificates::Server& files) {
    QString whyNot;
    const std::optional<TlsCredentials> credentials =
        loadTlsCredentials(files.certificate, files.key, &whyNot);
    if (!credentials)
        throw std::runtime_error(whyNot.toStdString());
    return credentials->configuration;
}

// Qt's own defaults, the server's certificate and key, and only the suite named.
QSslConfiguration servingOnly(const TestCertificates::Server& files, const char* cipher) {
    QFile certificate(files.certificate);
    QFile key(files.key);
    if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the test certificate");
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(QSslCertificate::fromData(certificate.readAll()));
    configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setProtocol(QSsl::TlsV1_2);
    configuration.setCiphers({QSslCipher(QString::fromLatin1(cipher))});
    return configuration;
}

struct ClientCase {
    const char* name;
    QStringList names;           // the certificate's subject alternative names
    const char* commonName = ""; // empty: the first name
    const char* host = "localhost";
    const char* serverOnly = ""; // a suite the server is limited to; empty: the server's own policy
    bool accepted = true;
    const char* reason = ""; // part of the refusal
};

std::vector<ClientCase> clientCases() {
    const char* const kNoSan = "none of its subject alternative names";
    return {
        {"TheAlternativeNameMatches", {"localhost"}},
        {"AnIpAlternativeNameMatches", {"127.0.0.1"}, "", "127.0.0.1"},
        {"TheCommonNameAloneDoesNotCount",
         {"elsewhere.example"},
         "localhost",
         "localhost",
         "",
         false,
         kNoSan},
        {"NorForAnIpAddress", {"localhost"}, "127.0.0.1", "127.0.0.1", "", false, kNoSan},
        {"ADnsNameIsNotAnIpAddress", {"127.0.0.1.example", "localhost"}, "127.0.0.1", "127.0.0.1", "", false},
        {"AServerOfferingOnlyCbcWithoutForwardSecrecyIsRefused",
         {"localhost"},
         "",
         "localhost",
         "AES128-SHA",
         false,
         "handshake"},
        {"AServerOfferingOnlyRsaKeyExchangeIsRefused",
         {"localhost"},
         "",
         "localhost",
         "AES128-GCM-SHA256",
         false,
         "handshake"},
    };
}

struct NameCase {
    const char* name;
    QStringList names; // the certificate's subject alternative names; its common name is the host
    const char* host;
    bool allowed;
};

std::vector<NameCase> nameCases() {
    return {
        {"Exact", {"server.example"}, "server.example", true},
        {"AnyCase", {"Server.Example"}, "sERVER.example", true},
        {"TrailingDot", {"server.example"}, "server.example.", true},
        {"AnotherName", {"elsewhere.example"}, "server.example", false},
        {"OneOfSeveral", {"a.example", "server.example", "10.0.0.1"}, "server.example", true},
        {"WildcardOneLabel", {"*.vdr.example"}, "server.vdr.example", true},
        {"WildcardNotTwoLabels", {"*.vdr.example"}, "a.server.vdr.example", false},
        {"WildcardNotTheBareDomain", {"*.vdr.example"}, "vdr.example", false},
        {"WildcardNotOverATopLevelDomain", {"*.example"}, "server.example", false},
        {"Ipv4", {"192.0.2.7"}, "192.0.2.7", true},
        {"Ipv4Other", {"192.0.2.7"}, "192.0.2.8", false},
        {"Ipv6AnySpelling", {"2001:db8::1"}, "2001:DB8:0:0::1", true},
        {"Ipv6InBrackets", {"2001:db8::1"}, "[2001:db8::1]", true},
        {"AnIpAddressIsNotADnsName", {"server.example"}, "192.0.2.7", false},
        {"ADnsNameIsNotAnIpAddress", {"192.0.2.7"}, "server.example", false},
    };
}

struct ServerCase {
    const char* name;
    QSsl::SslProtocol protocol;
    const char* cipher; // empty: the client's defaults
    bool policy;        // the server as loadTlsCredentials sets it up; false: Qt's defaults
    bool accepted;
};

std::vector<ServerCase> serverCases() {
    return {
        {"CbcSha1WithRsaKeyExchange", QSsl::TlsV1_2, "AES128-SHA", true, false},
        {"CbcSha256WithRsaKeyExchange", QSsl::TlsV1_2, "AES256-SHA256", true, false},
        {"GcmWithRsaKeyExchange", QSsl::TlsV1_2, "AES128-GCM-SHA256", true, false},
        {"CbcEvenWithEcdhe", QSsl::TlsV1_2, "ECDHE-RSA-AES128-SHA", true, false},
        {"EcdheWithAesGcm", QSsl::TlsV1_2, "ECDHE-RSA-AES128-GCM-SHA256", true, true},
        {"EcdheWithAes256Gcm", QSsl::TlsV1_2, "ECDHE-RSA-AES256-GCM-SHA384", true, true},
        {"EcdheWithChaCha20", QSsl::TlsV1_2, "ECDHE-RSA-CHACHA20-POLY1305", true, true},
        {"Tls13", QSsl::TlsV1_3, "", true, true},
        // Shows that the refusals above are the server's doing, not this machine's TLS library's.
        {"QtsDefaultsWouldTakeCbcSha1", QSsl::TlsV1_2, "AES128-SHA", false, true},
    };
}

template <typename Case> std::string caseName(const ::testing::TestParamInfo<Case>& param) {
    return param.param.name;
}

} // namespace

class TlsPolicyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificates_ = std::make_unique<TestCertificates>(); }
    static void TearDownTestSuite() { certificates_.reset(); }

    static inline std::unique_ptr<TestCertificates> certificates_;
};

class TlsClientPolicyTest : public TlsPolicyTest, public ::testing::WithParamInterface<ClientCase> {};
INSTANTIATE_TEST_SUITE_P(, TlsClientPolicyTest, ::testing::ValuesIn(clientCases()), caseName<ClientCase>);

TEST_P(TlsClientPolicyTest, AcceptsOnlyWhatTheNamesAndSuitesAllow) {
    const ClientCase& c = GetParam();
    const bool limited = *c.serverOnly != '\0';
    const TestCertificates::Server files = certificates_->makeServer(
        c.names, TestCertificates::Kind::Valid,
        limited ? TestCertificates::Key::Rsa : TestCertificates::Key::Ec, QString::fromLatin1(c.commonName));
    const LoopbackServer server(limited ? servingOnly(files, c.serverOnly) : servingWith(files));
    const QString host = QString::fromLatin1(c.host);
    try {
        const std::unique_ptr<QSslSocket> socket =
            connectVerified(host, server.port(), certificates_->caFile(), 5000, host);
        EXPECT_TRUE(c.accepted) << "accepted " << socket->sessionCipher().name().toStdString();
    } catch (const ESocketError& error) {
        EXPECT_FALSE(c.accepted) << error.message().toStdString();
        EXPECT_TRUE(error.message().contains(QLatin1String(c.reason))) << error.message().toStdString();
    }
}

class TlsServerPolicyTest : public TlsPolicyTest, public ::testing::WithParamInterface<ServerCase> {};
INSTANTIATE_TEST_SUITE_P(, TlsServerPolicyTest, ::testing::ValuesIn(serverCases()), caseName<ServerCase>);

TEST_P(TlsServerPolicyTest, Tls12TakesOnlyForwardSecretAeadSuites) {
    const ServerCase& c = GetParam();
    const TestCertificates::Server files = certificates_->makeServer(
        {QStringLiteral("localhost")}, TestCertificates::Kind::Valid, TestCertificates::Key::Rsa);
    QSslConfiguration policy = servingWith(files);
    if (!c.policy)
        policy.setCiphers(QSslConfiguration::supportedCiphers());
    const LoopbackServer server(policy);

    QSslSocket client;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setProtocol(c.protocol);
    if (*c.cipher != '\0') {
        const QSslCipher cipher(QString::fromLatin1(c.cipher));
        ASSERT_FALSE(cipher.isNull()) << "this TLS library lacks " << c.cipher;
        configuration.setCiphers({cipher});
    }
    client.setSslConfiguration(configuration);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
    EXPECT_EQ(client.waitForEncrypted(5000), c.accepted) << client.errorString().toStdString();
}

class TlsNameTest : public TlsPolicyTest, public ::testing::WithParamInterface<NameCase> {};
INSTANTIATE_TEST_SUITE_P(, TlsNameTest, ::testing::ValuesIn(nameCases()), caseName<NameCase>);

TEST_P(TlsNameTest, OnlyTheAlternativeNamesCountWhenThereAreAny) {
    const NameCase& c = GetParam();
    const QString host = QString::fromLatin1(c.host);
    const TestCertificates::Server files =
        certificates_->makeServer(c.names, TestCertificates::Kind::Valid, TestCertificates::Key::Ec, host);
    const QList<QSslCertificate> certificate = QSslCertificate::fromPath(files.certificate);
    ASSERT_EQ(certificate.size(), 1);
    EXPECT_EQ(subjectAlternativeNamesAllow(certificate.first(), host), c.allowed);
}

TEST_F(TlsPolicyTest, TheSharedListHoldsOnlyForwardSecretAeadSuites) {
    const QList<QSslCipher> ciphers = TlsCiphers::forwardSecretAead();
    ASSERT_FALSE(ciphers.isEmpty());
    for (const QSslCipher& cipher : ciphers) {
        const QString name = cipher.name();
        SCOPED_TRACE(name.toStdString());
        if (cipher.protocol() == QSsl::TlsV1_3 || name.startsWith(QLatin1String("TLS_")))
            continue;
        EXPECT_TRUE(name.startsWith(QLatin1String("ECDHE-")) || name.startsWith(QLatin1String("DHE-")));
        EXPECT_TRUE(name.contains(QLatin1String("GCM")) || name.contains(QLatin1String("POLY1305")));
        EXPECT_FALSE(name.contains(QLatin1String("PSK")));
    }
}
