#include "tests/appserver/AppserverProcess.h"
#include "tests/support/CaptureProcess.h"
#include "tests/support/FormFolder.h"
#include "tests/support/SampleForms.h"
#include "tests/support/TestCertificates.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>

// TLS on the link, end to end: the real server with certificates made for the test, the real
// capture command as its client. Each case says what both sides must say; every wait is bounded,
// so a side that hangs fails the case instead of stalling the suite.
namespace {

enum class ServerSide {
    Plain,
    Right,
    WrongName,
    Expired,
    UnknownCa,
    KeyOfAnother,
    Unreadable,
    CertificateOnly
};
enum class ClientSide { None, Plain, Tls };

struct TlsCase {
    const char* name = "";
    ServerSide server = ServerSide::Right;
    const char* listen = "127.0.0.1";
    const char* serverArguments = ""; // more of them, blank-separated
    ClientSide client = ClientSide::Tls;
    const char* clientHost = "localhost";
    bool silentNeighbour = false; // beside the capture, a client that never starts its handshake
    int serverExit = -1;          // the server's exit status at start; -1: it serves
    int captureExit = 0;
    // Each may hold {port}; empty: nothing to check.
    const char* clientSays = "";
    const char* serverSays = "";
    const char* serverNeverSays = "";
};

void PrintTo(const TlsCase& tlsCase, std::ostream* os) {
    *os << tlsCase.name;
}

const char* const kRefused =
    "Refused the application server at localhost:{port}: its certificate cannot be trusted: ";
const char* const kNotServed = "opened from"; // a connection past its handshake, served

// Far beyond what any case takes, far below the client's 60 s timeout: a hang shows as a failure.
constexpr qint64 kCaptureBoundMs = 20000;
constexpr int kLogWaitMs = 5000;
// The label's and the button's captions of SampleForms::kCliente.
constexpr qsizetype kClienteCaptions = 2;

class TlsLinkTest : public ::testing::TestWithParam<TlsCase> {
protected:
    struct Files {
        TestCertificates certificates;
        TestCertificates::Server right, wrongName, expired, unknownCa;
    };

    static void SetUpTestSuite() {
        try {
            files_ = std::make_unique<Files>();
            const QStringList localNames{QStringLiteral("localhost"), QStringLiteral("127.0.0.1")};
            files_->right = files_->certificates.makeServer(localNames);
            files_->wrongName = files_->certificates.makeServer({QStringLiteral("elsewhere.example")});
            files_->expired = files_->certificates.makeServer(localNames, TestCertificates::Kind::Expired);
            files_->unknownCa =
                files_->certificates.makeServer(localNames, TestCertificates::Kind::FromUnknownCa);
        } catch (const std::runtime_error& failure) {
            files_.reset();
            whyNoFiles_ = failure.what();
        }
    }
    static void TearDownTestSuite() { files_.reset(); }

    void SetUp() override {
        if (!files_)
            FAIL() << "cannot make the certificates: " << whyNoFiles_;
    }

    static QStringList tlsArguments(ServerSide side) {
        const auto pair = [](const QString& certificate, const QString& key) {
            return QStringList{QStringLiteral("--tls-cert"), certificate, QStringLiteral("--tls-key"), key};
        };
        switch (side) {
        case ServerSide::Plain:
            return {};
        case ServerSide::Right:
            return pair(files_->right.certificate, files_->right.key);
        case ServerSide::WrongName:
            return pair(files_->wrongName.certificate, files_->wrongName.key);
        case ServerSide::Expired:
            return pair(files_->expired.certificate, files_->expired.key);
        case ServerSide::UnknownCa:
            return pair(files_->unknownCa.certificate, files_->unknownCa.key);
        case ServerSide::KeyOfAnother:
            return pair(files_->right.certificate, files_->wrongName.key);
        case ServerSide::Unreadable:
            return pair(files_->right.certificate + QStringLiteral(".missing"), files_->right.key);
        case ServerSide::CertificateOnly:
            return {QStringLiteral("--tls-cert"), files_->right.certificate};
        }
        return {};
    }

    static inline std::unique_ptr<Files> files_;
    static inline std::string whyNoFiles_;
};

QString withPort(const char* text, quint16 port) {
    return QString::fromUtf8(text).replace(QStringLiteral("{port}"), QString::number(port));
}

// The server logs a failed handshake when it notices, which may be a moment after the client has
// given up.
bool logSays(const AppserverProcess& server, const QString& text) {
    const QDeadlineTimer deadline(kLogWaitMs);
    while (!server.log().contains(text)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

qsizetype storedRows(const AppserverProcess& server) {
    const AppserverProcess::CommandResult exported =
        server.runCommand({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    return QJsonDocument::fromJson(exported.out.toUtf8()).array().size();
}

TEST_P(TlsLinkTest, BothSidesSayWhatWentWrongAndNothingHangs) {
    const TlsCase& tlsCase = GetParam();
    AppserverProcess server;
    QStringList arguments =
        QStringList{QStringLiteral("--listen"), QStringLiteral("%1:0").arg(tlsCase.listen)} +
        tlsArguments(tlsCase.server);
    arguments += QString::fromUtf8(tlsCase.serverArguments).split(QLatin1Char(' '), Qt::SkipEmptyParts);

    if (tlsCase.serverExit >= 0) {
        EXPECT_FALSE(server.start(arguments)) << "it serves";
        EXPECT_EQ(server.exitCode(), tlsCase.serverExit) << server.log().toStdString();
        EXPECT_TRUE(server.log().contains(QString::fromUtf8(tlsCase.serverSays)))
            << server.log().toStdString();
        return;
    }
    ASSERT_TRUE(server.start(arguments)) << server.log().toStdString();
    const quint16 port = server.port();

    QTcpSocket neighbour;
    if (tlsCase.silentNeighbour) {
        neighbour.connectToHost(QStringLiteral("127.0.0.1"), port);
        ASSERT_TRUE(neighbour.waitForConnected(5000)) << neighbour.errorString().toStdString();
    }

    if (tlsCase.client != ClientSide::None) {
        FormFolder forms;
        forms.write(QStringLiteral("Cliente.Ebf"), SampleForms::kCliente);
        QStringList captureArguments{
            QStringLiteral("--language"), QStringLiteral("POR"), QStringLiteral("--server"),
            QStringLiteral("%1:%2").arg(tlsCase.clientHost).arg(port), QStringLiteral("--yes")};
        if (tlsCase.client == ClientSide::Tls)
            captureArguments += {QStringLiteral("--ca-file"), files_->certificates.caFile()};
        QElapsedTimer clock;
        clock.start();
        const CaptureResult capture = runCapture(captureArguments + QStringList{forms.path()});
        const std::string explained = ("exit " + QString::number(capture.exitCode) + "\nstderr:\n" +
                                       capture.err + "\nserver log:\n" + server.log())
                                          .toStdString();
        EXPECT_LT(clock.elapsed(), kCaptureBoundMs) << explained;
        ASSERT_TRUE(capture.finished) << explained;
        EXPECT_EQ(capture.exitCode, tlsCase.captureExit) << explained;
        EXPECT_TRUE(capture.err.contains(withPort(tlsCase.clientSays, port))) << explained;
        EXPECT_EQ(storedRows(server), tlsCase.captureExit == 0 ? kClienteCaptions : 0);
    }

    if (tlsCase.silentNeighbour) {
        EXPECT_TRUE(neighbour.state() == QAbstractSocket::UnconnectedState ||
                    neighbour.waitForDisconnected(10000))
            << "a handshake that never starts is never dropped";
    }
    EXPECT_TRUE(logSays(server, withPort(tlsCase.serverSays, port))) << server.log().toStdString();
    if (*tlsCase.serverNeverSays) {
        EXPECT_FALSE(server.log().contains(withPort(tlsCase.serverNeverSays, port)))
            << server.log().toStdString();
    }
    EXPECT_TRUE(server.isRunning()) << server.log().toStdString();
}

// clang-format off
const TlsCase kCases[] = {
    {.name = "TheRightCertificateByName", .serverSays = "over TLS 1."},
    {.name = "TheRightCertificateByIpAddress", .clientHost = "127.0.0.1", .serverSays = "over TLS 1."},
    {.name = "AWrongHostName", .server = ServerSide::WrongName, .captureExit = 1,
     .clientSays = "The host name did not match any of the valid hosts for this certificate. Nothing was sent to it",
     .serverSays = "warning: TLS handshake with 127.0.0.1:", .serverNeverSays = kNotServed},
    {.name = "AnExpiredCertificate", .server = ServerSide::Expired, .captureExit = 1,
     .clientSays = "The certificate has expired. Nothing was sent to it",
     .serverSays = "expired on", .serverNeverSays = kNotServed},
    {.name = "AnUnknownCa", .server = ServerSide::UnknownCa, .captureExit = 1,
     .clientSays = "The issuer certificate of a locally looked up certificate could not be found",
     .serverSays = "warning: TLS handshake with 127.0.0.1:", .serverNeverSays = kNotServed},
    {.name = "APlainClientOfATlsServer", .client = ClientSide::Plain, .captureExit = 1,
     .clientSays = "The application server refused rpc.open: this server takes TLS connections only: turn TLS "
                   "on in the client (code -32004)",
     .serverSays = "failed: the client sent plain text, not TLS", .serverNeverSays = kNotServed},
    {.name = "ATlsClientOfAPlainServer", .server = ServerSide::Plain, .captureExit = 1,
     .clientSays = "The TLS handshake with the application server at localhost:{port} failed: ",
     .serverSays = "the client speaks TLS, but this server serves plain TCP (start it with --tls-cert and --tls-key)"},
    {.name = "AHandshakeNeverStartedIsDroppedAndHoldsUpNobody", .serverArguments = "--idle-timeout 2",
     .silentNeighbour = true, .serverSays = "failed: no handshake within 2 s; closing"},
    {.name = "PlainBeyondLoopbackIsAWarning", .server = ServerSide::Plain, .listen = "0.0.0.0",
     .client = ClientSide::None,
     .serverSays = "warning: listening on 0.0.0.0:{port} without TLS: the token and the data cross the network "
                   "in clear text (give --tls-cert FILE and --tls-key FILE)"},
    {.name = "TlsBeyondLoopbackIsNoWarning", .listen = "0.0.0.0", .serverSays = "TLS 1.2 or newer on every "
     "connection, certificate for localhost, 127.0.0.1, signed by Vdr test CA", .serverNeverSays = "without TLS"},
    {.name = "PlainOnLoopbackIsNoWarning", .server = ServerSide::Plain, .client = ClientSide::Plain,
     .serverSays = "loopback only", .serverNeverSays = "without TLS"},
    {.name = "AKeyOfAnotherCertificate", .server = ServerSide::KeyOfAnother, .serverExit = 1,
     .serverSays = "cannot serve: the key does not belong to the certificate"},
    {.name = "ACertificateThatCannotBeRead", .server = ServerSide::Unreadable, .serverExit = 1,
     .serverSays = "error: appserver: cannot read the TLS certificate file"},
    {.name = "ACertificateWithoutItsKey", .server = ServerSide::CertificateOnly, .serverExit = 2,
     .serverSays = "--tls-cert and --tls-key go together"},
};
// clang-format on

std::string caseName(const ::testing::TestParamInfo<TlsCase>& tested) {
    return tested.param.name;
}

INSTANTIATE_TEST_SUITE_P(Tls, TlsLinkTest, ::testing::ValuesIn(kCases), caseName);

} // namespace
