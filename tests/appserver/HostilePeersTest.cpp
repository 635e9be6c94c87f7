#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"

#include "appserver/net/DescriptorLimit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// Peers that try to keep the others out of a TLS server that requires a token, each from a
// loopback address of its own, and the honest client from 127.0.0.1 beside them: it must open the
// server object within 1 s, every time.

namespace {

const QByteArray kToken = "hostile-peers-test-token-0123456789";
constexpr int kAuthTimeoutSeconds = 3;
constexpr int kHonestWithinMs = 1000;
constexpr int kHonestTries = 5;

QByteArray openLine(qint64 id, const QString& token) {
    return RpcClient::requestLine(id, QStringLiteral("rpc.open"),
                                  QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}, {"token", token}});
}

void runEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
}

// Sockets of the hostile peers, owned here, and what they saw.
struct Crowd {
    std::vector<std::unique_ptr<QTcpSocket>> sockets;

    int count(const std::function<bool(QTcpSocket&)>& what) const {
        int n = 0;
        for (const auto& socket : sockets)
            n += what(*socket) ? 1 : 0;
        return n;
    }
};

class HostilePeersTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        // A thousand sockets of our own and as many of the server's.
        raiseDescriptorLimit();
    }

    void SetUp() override {
        certificate_ = QDir(server.directory()).filePath("server.pem");
        const QString key = QDir(server.directory()).filePath("server.key");
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                  "-nodes", "-keyout", key, "-out", certificate_, "-days", "2", "-subj",
                                  "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
        ASSERT_TRUE(openssl.waitForFinished(30000) && openssl.exitCode() == 0)
            << openssl.readAllStandardError().toStdString();
        const QString tokenFile = QDir(server.directory()).filePath("token");
        QFile file(tokenFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kToken);
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ASSERT_TRUE(server.start({"--tls-cert", certificate_, "--tls-key", key, "--token-file", tokenFile,
                                  "--auth-timeout", QString::number(kAuthTimeoutSeconds)}))
            << server.log().toStdString();
    }

    std::unique_ptr<QSslSocket> tlsSocket(const QString& from) {
        auto socket = std::make_unique<QSslSocket>();
        socket->bind(QHostAddress(from), 0);
        QSslConfiguration tls = socket->sslConfiguration();
        tls.setCaCertificates(QSslCertificate::fromPath(certificate_));
        socket->setSslConfiguration(tls);
        socket->connectToHostEncrypted("127.0.0.1", server.port());
        return socket;
    }

    // Idle TCP sockets: never a byte.
    void idle(Crowd& crowd, const QString& from, int count) {
        for (int i = 0; i < count; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(from), 0);
            socket->connectToHost("127.0.0.1", server.port());
            crowd.sockets.push_back(std::move(socket));
        }
        settle(crowd);
    }

    // The first bytes of a TLS handshake record, then nothing.
    void stallHandshakes(Crowd& crowd, const QString& from, int count) {
        for (int i = 0; i < count; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(from), 0);
            socket->connectToHost("127.0.0.1", server.port());
            socket->write(QByteArray::fromHex("1603010200"));
            crowd.sockets.push_back(std::move(socket));
        }
        settle(crowd);
    }

    // Through the handshake, then a blank line now and then and never the token.
    void holdWithBlankLines(Crowd& crowd, const QString& from, int count) {
        for (int i = 0; i < count; ++i) {
            auto socket = tlsSocket(from);
            QSslSocket* raw = socket.get();
            QObject::connect(raw, &QSslSocket::encrypted, raw, [raw] {
                raw->write("\n");
                auto* again = new QTimer(raw);
                QObject::connect(again, &QTimer::timeout, raw, [raw] { raw->write("\n"); });
                again->start(500);
            });
            crowd.sockets.push_back(std::move(socket));
        }
        settle(crowd);
    }

    // Wrong tokens as fast as the server answers them, over one connection after another.
    int guess(Crowd& crowd, const QString& from, int forMs) {
        int refusals = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < forMs) {
            auto socket = tlsSocket(from);
            QSslSocket* raw = socket.get();
            crowd.sockets.push_back(std::move(socket));
            if (!raw->waitForEncrypted(forMs))
                continue;
            for (int i = 0; i < 3; ++i)
                raw->write(openLine(i + 1, QStringLiteral("guess-%1-0123456789abcdef").arg(i)));
            while (clock.elapsed() < forMs && raw->state() == QAbstractSocket::ConnectedState) {
                if (!raw->canReadLine() &&
                    !raw->waitForReadyRead(int(std::max<qint64>(1, forMs - clock.elapsed()))))
                    break;
                while (raw->canReadLine())
                    refusals +=
                        errorCode(QJsonDocument::fromJson(raw->readLine()).object()) == -32001 ? 1 : 0;
            }
        }
        return refusals;
    }

    // A notification whose method name, sent before the token, holds a forged log line.
    void forgeLogLine(Crowd& crowd, const QString& from) {
        auto socket = tlsSocket(from);
        ASSERT_TRUE(socket->waitForEncrypted(5000)) << socket->errorString().toStdString();
        socket->write(R"({"jsonrpc":"2.0","method":"x\nconnection 1: opened Vdr04000.rdmImpPocket"})"
                      "\n");
        socket->flush();
        crowd.sockets.push_back(std::move(socket));
        runEventsUntil([] { return false; }, 200);
    }

    // Until every hostile socket has connected or been turned away.
    static void settle(Crowd& crowd) {
        runEventsUntil(
            [&crowd] {
                return crowd.count([](QTcpSocket& s) {
                    const auto* tls = qobject_cast<QSslSocket*>(&s);
                    return s.state() == QAbstractSocket::UnconnectedState ||
                           (s.state() == QAbstractSocket::ConnectedState && (!tls || tls->isEncrypted()));
                }) == int(crowd.sockets.size());
            },
            15000);
    }

    // The honest client opens the server object: how long it took, or -1 when it did not.
    qint64 honestOpen() {
        QElapsedTimer clock;
        clock.start();
        auto socket = tlsSocket("127.0.0.1");
        if (!socket->waitForEncrypted(10000))
            return -1;
        socket->write(openLine(1, QString::fromUtf8(kToken)));
        while (!socket->canReadLine())
            if (!socket->waitForReadyRead(10000))
                return -1;
        const QJsonObject answer = QJsonDocument::fromJson(socket->readLine()).object();
        return answer.contains("result") ? clock.elapsed() : -1;
    }

    AppserverProcess server;
    QString certificate_;
};

// Log lines that carry the address.
int linesAbout(const QString& log, const QString& address) {
    int n = 0;
    for (const QString& line : log.split('\n'))
        n += line.contains(address) ? 1 : 0;
    return n;
}

} // namespace

TEST_F(HostilePeersTest, TheHonestClientGetsInBesideEachOfThem) {
    const struct {
        const char* name;
        std::function<void(HostilePeersTest&, Crowd&)> attack;
        // What the server did about them, once the honest client is in.
        std::function<void(HostilePeersTest&, Crowd&)> check;
    } rows[] = {
        {"1,000 idle TCP sockets", [](HostilePeersTest& t, Crowd& c) { t.idle(c, "127.0.0.2", 1000); },
         [](HostilePeersTest& t, Crowd& c) {
             // All but those the budget holds are closed by the server (the client side hears it as
             // soon as its events run).
             const auto closed = [&c] {
                 return c.count([](QTcpSocket& s) { return s.state() != QAbstractSocket::ConnectedState; });
             };
             runEventsUntil([&closed] { return closed() >= 900; }, 5000);
             EXPECT_GE(closed(), 900) << "turned away";
             EXPECT_TRUE(t.server.log().contains("turned away a connection from 127.0.0.2"));
             EXPECT_LE(linesAbout(t.server.log(), "127.0.0.2"), 2 + 16) << "a summary, not a line per peer";
         }},
        {"a stalled handshake", [](HostilePeersTest& t, Crowd& c) { t.stallHandshakes(c, "127.0.0.3", 1); },
         [](HostilePeersTest&, Crowd& c) {
             runEventsUntil([&c] { return c.sockets[0]->state() == QAbstractSocket::UnconnectedState; },
                            (kAuthTimeoutSeconds + 3) * 1000);
             EXPECT_EQ(c.sockets[0]->state(), QAbstractSocket::UnconnectedState) << "closed at its deadline";
         }},
        {"64 blank-line holders",
         [](HostilePeersTest& t, Crowd& c) { t.holdWithBlankLines(c, "127.0.0.4", 64); },
         [](HostilePeersTest&, Crowd& c) {
             // Blank lines every half second do not move the deadline.
             runEventsUntil(
                 [&c] {
                     return c.count([](QTcpSocket& s) {
                         return s.state() == QAbstractSocket::UnconnectedState;
                     }) == 64;
                 },
                 (kAuthTimeoutSeconds + 3) * 1000);
             EXPECT_EQ(c.count([](QTcpSocket& s) { return s.state() == QAbstractSocket::UnconnectedState; }),
                       64);
         }},
        {"a token guesser",
         [](HostilePeersTest& t, Crowd& c) {
             EXPECT_LE(t.guess(c, "127.0.0.5", 1000), 10) << "guesses answered in one second";
         },
         [](HostilePeersTest& t, Crowd&) {
             EXPECT_LE(linesAbout(t.server.log(), "127.0.0.5"), 3) << "a summary, not a line per guess";
         }},
        {"a forged log line", [](HostilePeersTest& t, Crowd& c) { t.forgeLogLine(c, "127.0.0.6"); },
         [](HostilePeersTest& t, Crowd&) {
             const QString log = t.server.log();
             EXPECT_TRUE(log.contains(R"(x\nconnection 1: opened)")) << log.toStdString();
             for (const QString& line : log.split('\n'))
                 EXPECT_FALSE(line.startsWith("connection")) << line.toStdString();
         }},
        {"all of them at once",
         [](HostilePeersTest& t, Crowd& c) {
             t.idle(c, "127.0.0.7", 1000);
             t.holdWithBlankLines(c, "127.0.0.8", 64);
             t.stallHandshakes(c, "127.0.0.9", 1);
         },
         [](HostilePeersTest&, Crowd&) {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Crowd crowd;
        row.attack(*this, crowd);
        for (int i = 0; i < kHonestTries; ++i) {
            const qint64 ms = honestOpen();
            EXPECT_GE(ms, 0) << "the honest client did not get in";
            EXPECT_LE(ms, kHonestWithinMs) << "try " << i + 1;
        }
        row.check(*this, crowd);
    }
    ASSERT_TRUE(server.isRunning());
}

// Out of file descriptors, the server pauses accepting, says so once, and serves again once some are
// free.
TEST(DescriptorLimitTest, TheListenerOutlivesRunningOutOfDescriptors) {
    // The server needs a dozen descriptors of its own and keeps a quarter of these in reserve;
    // more clients than it can take, fewer than its listen backlog holds.
    constexpr int kDescriptors = 48;
    constexpr int kClients = 45;
    AppserverProcess server;
    server.setDescriptorLimit(kDescriptors);
    ASSERT_TRUE(server.start({"--max-connections", "200"})) << server.log().toStdString();

    std::vector<std::unique_ptr<QTcpSocket>> filling;
    for (int i = 0; i < kClients; ++i) {
        filling.push_back(std::make_unique<QTcpSocket>());
        filling.back()->connectToHost("127.0.0.1", server.port());
    }
    // Filled: the server holds as many as its descriptors allow, the rest wait in its backlog.
    runEventsUntil(
        [&] {
            return server.log().contains("cannot accept connections") &&
                   std::all_of(filling.begin(), filling.end(),
                               [](const auto& s) { return s->state() == QAbstractSocket::ConnectedState; });
        },
        10000);
    QThread::msleep(4 * 250); // several of its tries to accept again
    const QString full = server.log();
    EXPECT_EQ(full.count("cannot accept connections"), 1) << "said once, not per try\n" << full.toStdString();

    filling.clear();
    RpcClient honest;
    ASSERT_TRUE(honest.connectTo(server.port())) << "running: " << server.isRunning() << "\n"
                                                 << server.log().toStdString();
    EXPECT_TRUE(honest.open().contains("result")) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains("accepting connections again")) << server.log().toStdString();
    EXPECT_TRUE(server.isRunning());
}
