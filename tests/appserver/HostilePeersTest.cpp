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
#include <atomic>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

// Peers that try to keep the others out of a TLS server that requires a token, to fill its memory
// or its log, or to guess the token, from loopback addresses of their own, and the honest client
// from 127.0.0.1 beside them: it must open the server object within 1 s, every time, while the
// server stays small and its log grows by little.

namespace {

const QByteArray kToken = "hostile-peers-test-token-0123456789";
constexpr int kAuthTimeoutSeconds = 3;
constexpr int kHonestWithinMs = 1000;
constexpr int kHonestTries = 10;
constexpr qint64 kMaxServerBytes = 100 * 1024 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kServerMemoryTells = false; // the sanitizer's quarantine keeps what the server frees
#else
constexpr bool kServerMemoryTells = true;
#endif
constexpr double kMaxLogBytesPerSecond = 10 * 1024;

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

QString loopback(int block, int host) {
    return QStringLiteral("127.0.%1.%2").arg(block).arg(host);
}

// Idle TCP sockets from many addresses, each opened again as soon as the server closes it, on a
// thread of their own: how often they were.
class ChurningCrowd : public QThread {
public:
    ChurningCrowd(quint16 port, int addresses, int each) : port_(port), addresses_(addresses), each_(each) {}
    std::atomic<int> reopened{0};

protected:
    void run() override {
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < addresses_ * each_; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket* socket = sockets.back().get();
            const QHostAddress from(loopback(1, 1 + i % addresses_));
            const auto open = [this, socket, from] {
                socket->abort();
                socket->bind(from, 0);
                socket->connectToHost("127.0.0.1", port_);
            };
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, open] {
                ++reopened;
                QTimer::singleShot(0, socket, open);
            });
            open();
        }
        exec();
        for (const auto& socket : sockets)
            socket->disconnect();
    }

private:
    const quint16 port_;
    const int addresses_;
    const int each_;
};

// Sockets of the hostile peers, owned here, and what they saw.
struct Crowd {
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    std::unique_ptr<QThread> thread; // peers of their own, as other processes would be
    int refusals = 0;

    ~Crowd() {
        for (const auto& socket : sockets)
            socket->disconnect(); // no more re-opening while they go
        if (thread) {
            thread->quit();
            thread->wait();
        }
    }

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

    // Through the handshake, then an unfinished line of a MiB, and nothing more.
    void sendBigLines(Crowd& crowd, int addresses, int each) {
        for (int i = 0; i < addresses * each; ++i) {
            auto socket = tlsSocket(loopback(3, 1 + i % addresses));
            QSslSocket* raw = socket.get();
            QObject::connect(raw, &QSslSocket::encrypted, raw,
                             [raw] { raw->write(QByteArray(1 << 20, 'x')); });
            crowd.sockets.push_back(std::move(socket));
        }
        runEventsUntil([] { return false; }, 3000);
    }

    // Notifications before the token as fast as the server takes them, each naming a method that
    // holds a forged log line.
    void notify(Crowd& crowd, const QString& from, int forMs) {
        auto socket = tlsSocket(from);
        ASSERT_TRUE(socket->waitForEncrypted(5000)) << socket->errorString().toStdString();
        QByteArray lines;
        for (int i = 0; i < 1000; ++i)
            lines += R"({"jsonrpc":"2.0","method":"x\nconnection 1: opened Vdr04000.rdmImpPocket"})"
                     "\n";
        QSslSocket* raw = socket.get();
        QTimer pump;
        QObject::connect(&pump, &QTimer::timeout, raw, [raw, &lines] {
            if (raw->encryptedBytesToWrite() + raw->bytesToWrite() < (1 << 20))
                raw->write(lines);
        });
        pump.start(1);
        crowd.sockets.push_back(std::move(socket));
        runEventsUntil([] { return false; }, forMs);
    }

    // Wrong tokens from a new address for every connection, kept up over 32 connections at once:
    // the refusals counted in crowd.
    void rotateGuesses(Crowd& crowd, int forMs) {
        QObject scope; // the re-openings still to come end with it
        int next = 0;
        std::function<void()> open = [this, &crowd, &next, &open, &scope] {
            const int n = next++;
            auto socket = tlsSocket(loopback(4 + n / 250, 1 + n % 250));
            QSslSocket* raw = socket.get();
            QObject::connect(raw, &QSslSocket::encrypted, raw, [raw] {
                for (int i = 0; i < 3; ++i)
                    raw->write(openLine(i + 1, QStringLiteral("guess-%1-0123456789abcdef").arg(i)));
            });
            QObject::connect(raw, &QSslSocket::readyRead, raw, [raw, &crowd] {
                while (raw->canReadLine())
                    crowd.refusals +=
                        errorCode(QJsonDocument::fromJson(raw->readLine()).object()) == -32001 ? 1 : 0;
            });
            QObject::connect(raw, &QSslSocket::disconnected, &scope,
                             [&open, &scope] { QTimer::singleShot(0, &scope, open); });
            crowd.sockets.push_back(std::move(socket));
        };
        for (int i = 0; i < 32; ++i)
            open();
        runEventsUntil([] { return false; }, forMs);
        for (const auto& socket : crowd.sockets)
            socket->disconnect();
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

    // The honest client opens the server object: how long it took, or -1 when it did not. The
    // hostile peers go on meanwhile.
    qint64 honestOpen() {
        QElapsedTimer clock;
        clock.start();
        auto socket = tlsSocket("127.0.0.1");
        QSslSocket* raw = socket.get();
        QObject::connect(raw, &QSslSocket::encrypted, raw,
                         [raw] { raw->write(openLine(1, QString::fromUtf8(kToken))); });
        runEventsUntil(
            [raw] { return raw->canReadLine() || raw->state() == QAbstractSocket::UnconnectedState; }, 10000);
        if (!raw->canReadLine())
            return -1;
        const QJsonObject answer = QJsonDocument::fromJson(raw->readLine()).object();
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
        {"64 addresses holding 16 idle sockets each, opened again as closed",
         [](HostilePeersTest& t, Crowd& c) {
             auto* crowd = new ChurningCrowd(t.server.port(), 64, 16);
             c.thread.reset(crowd);
             crowd->start();
             QThread::msleep(2000);
         },
         [](HostilePeersTest&, Crowd& c) {
             EXPECT_GT(static_cast<ChurningCrowd&>(*c.thread).reopened, 0) << "room was made for newcomers";
         }},
        {"256 unfinished lines of a MiB before the token, from 16 addresses",
         [](HostilePeersTest& t, Crowd& c) { t.sendBigLines(c, 16, 16); }, [](HostilePeersTest&, Crowd&) {}},
        {"notifications before the token, each holding a forged log line",
         [](HostilePeersTest& t, Crowd& c) { t.notify(c, "127.0.0.6", 2000); },
         [](HostilePeersTest& t, Crowd&) {
             for (const QString& line : t.server.log().split('\n'))
                 EXPECT_FALSE(line.startsWith("connection")) << line.toStdString();
         }},
        {"a guesser with a new address for every connection",
         [](HostilePeersTest& t, Crowd& c) {
             QElapsedTimer clock;
             clock.start();
             t.rotateGuesses(c, 2000);
             EXPECT_GT(c.refusals, 0);
             EXPECT_LE(c.refusals, 100 * (clock.elapsed() / 1000.0 + 1))
                 << "refusals in all, at 100 a second";
         },
         [](HostilePeersTest&, Crowd&) {}},
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
        QElapsedTimer clock;
        clock.start();
        const qint64 logBefore = server.logBytes();
        Crowd crowd;
        row.attack(*this, crowd);
        const qint64 memory = server.residentBytes();
        qint64 worstMs = 0;
        for (int i = 0; i < kHonestTries; ++i) {
            const qint64 ms = honestOpen();
            EXPECT_GE(ms, 0) << "the honest client did not get in";
            EXPECT_LE(ms, kHonestWithinMs) << "try " << i + 1;
            worstMs = std::max(worstMs, ms);
        }
        row.check(*this, crowd);
        const double logRate = (server.logBytes() - logBefore) / (clock.elapsed() / 1000.0);
        std::cout << row.name << ": honest open at worst " << worstMs << " ms, server " << memory / (1 << 20)
                  << " MiB, log " << int(logRate) << " B/s\n";
        if (kServerMemoryTells) {
            EXPECT_LT(memory, kMaxServerBytes);
        }
        EXPECT_LE(logRate, kMaxLogBytesPerSecond);
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
