#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The limits a server grants its clients: request size, connections at once and idle time. Each
// limit ends only the connection that overstepped it. They are the same whatever the storage, so
// the server runs on SQLite.

namespace {

// What the server takes unless told otherwise.
constexpr qint64 kDefaultLimit = 1024 * 1024;
// Generous: closing is due after a second, but a loaded machine may take its time.
constexpr int kCloseWaitMs = 10000;

bool serves(RpcClient& client) {
    return resultOf(client.call(QStringLiteral("GetVersao"))).value(QStringLiteral("ok")).toBool();
}

std::unique_ptr<RpcClient> openedClient(const AppserverProcess& server) {
    auto client = std::make_unique<RpcClient>();
    if (!client->connectTo(server.port()) || !client->open().contains(QStringLiteral("result")))
        return nullptr;
    return client;
}

// The message size limit, at its default and as given: a line of exactly the limit is served, one
// byte more gets one refusal and the close, and so does a line that never ends. A bystander and a
// newcomer are served whatever happens to the connection that overstepped it.
struct MessageSizeCase {
    const char* name;
    QStringList arguments; // of the server
    qint64 limit;          // what the server says it takes
    QByteArray sent;       // on a connection with the server object open
    bool served;           // else refused once and closed
};

std::vector<MessageSizeCase> messageSizeCases() {
    const QStringList given{"--max-message-bytes", "4096"};
    return {
        {"ALineOfTheDefaultLimitIsServed", {}, kDefaultLimit, requestOfLength(kDefaultLimit) + '\n', true},
        {"OneByteOverTheDefaultLimitCloses",
         {},
         kDefaultLimit,
         requestOfLength(kDefaultLimit + 1) + '\n',
         false},
        {"ALineThatNeverEndsIsCutOffPastTheDefaultLimit",
         {},
         kDefaultLimit,
         QByteArray(kDefaultLimit + 4096, ' '),
         false},
        {"ALineOfAGivenLimitIsServed", given, 4096, requestOfLength(4096) + '\n', true},
        {"OneByteOverAGivenLimitCloses", given, 4096, requestOfLength(4097) + '\n', false},
        {"ALineThatNeverEndsIsCutOffPastAGivenLimit", given, 4096, QByteArray(4096 + 4096, ' '), false},
    };
}

std::string caseName(const ::testing::TestParamInfo<MessageSizeCase>& param) {
    return param.param.name;
}

} // namespace

class MessageSizeTest : public ::testing::TestWithParam<MessageSizeCase> {};
INSTANTIATE_TEST_SUITE_P(Limits, MessageSizeTest, ::testing::ValuesIn(messageSizeCases()), caseName);

TEST_P(MessageSizeTest, ClosesOnlyTheConnectionPastTheLimit) {
    const MessageSizeCase& size = GetParam();
    AppserverProcess server;
    ASSERT_TRUE(server.start(size.arguments)) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains(QStringLiteral("requests up to %1 bytes").arg(size.limit)))
        << server.log().toStdString();
    const std::unique_ptr<RpcClient> bystander = openedClient(server);
    const std::unique_ptr<RpcClient> client = openedClient(server);
    ASSERT_TRUE(bystander && client);

    client->sendRaw(size.sent);
    const QJsonObject answer = client->readMessage();
    if (size.served) {
        EXPECT_EQ(answer.value("id").toInt(), 5);
        EXPECT_TRUE(resultOf(answer).value("ok").toBool());
        EXPECT_TRUE(rowsOf(answer).isEmpty());
        EXPECT_TRUE(serves(*client));
    } else {
        EXPECT_EQ(errorCode(answer), -32600);
        EXPECT_TRUE(answer.value("id").isNull());
        EXPECT_TRUE(client->readMessage(kCloseWaitMs).isEmpty()) << "one refusal, then the close";
        EXPECT_TRUE(client->waitForClosed(kCloseWaitMs));
    }

    EXPECT_TRUE(serves(*bystander));
    const std::unique_ptr<RpcClient> later = openedClient(server);
    ASSERT_TRUE(later);
    EXPECT_TRUE(serves(*later));
}

TEST(LimitsTest, AConnectionOverTheLimitIsToldWhyAndClosed) {
    AppserverProcess server;
    ASSERT_TRUE(server.start({"--max-connections", "3"})) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains("3 connections at once")) << server.log().toStdString();
    std::unique_ptr<RpcClient> clients[3];
    for (auto& client : clients) {
        client = openedClient(server);
        ASSERT_TRUE(client);
    }

    RpcClient fourth;
    ASSERT_TRUE(fourth.connectTo(server.port())) << "the refusal comes over the connection";
    const QJsonObject refusal = fourth.readMessage();
    EXPECT_EQ(refusal.value("jsonrpc").toString(), "2.0");
    EXPECT_TRUE(refusal.value("id").isNull());
    EXPECT_EQ(errorCode(refusal), -32003);
    EXPECT_EQ(refusal.value("error").toObject().value("message").toString(), "too many connections");
    EXPECT_TRUE(fourth.waitForClosed(kCloseWaitMs));
    for (auto& client : clients)
        EXPECT_TRUE(serves(*client));

    // The server learns of the close a moment later; until then a newcomer may still be refused.
    clients[0].reset();
    std::unique_ptr<RpcClient> newcomer;
    QElapsedTimer waited;
    waited.start();
    while (!newcomer && waited.elapsed() < kCloseWaitMs) {
        newcomer = openedClient(server);
        if (!newcomer)
            QThread::msleep(50);
    }
    ASSERT_TRUE(newcomer) << "no connection was accepted after one closed";
    EXPECT_TRUE(serves(*newcomer));

    // The limit still holds with the newcomer counted.
    RpcClient another;
    ASSERT_TRUE(another.connectTo(server.port()));
    EXPECT_EQ(errorCode(another.readMessage()), -32003);
    EXPECT_TRUE(another.waitForClosed(kCloseWaitMs));
    EXPECT_TRUE(server.log().contains("refused a connection"));
}

TEST(LimitsTest, IdleConnectionsAreClosedWhileActiveOnesStay) {
    AppserverProcess server;
    ASSERT_TRUE(server.start({"--idle-timeout", "1"})) << server.log().toStdString();

    RpcClient silent;
    ASSERT_TRUE(silent.connectTo(server.port()));
    const std::unique_ptr<RpcClient> halfLine = openedClient(server);
    const std::unique_ptr<RpcClient> trickling = openedClient(server);
    const std::unique_ptr<RpcClient> active = openedClient(server);
    ASSERT_TRUE(halfLine && trickling && active);
    halfLine->sendRaw(R"({"jsonrpc":"2.0","id":31,"method":"GetVer)");
    trickling->sendRaw(R"({"jsonrpc":"2.0","id":32,"method":"GetVersao")");

    // Well past the timeout, the active client keeps asking at short intervals and the trickling
    // one keeps sending blanks inside a line it never ends, until the server closes it.
    QElapsedTimer elapsed;
    elapsed.start();
    int answered = 0;
    int asked = 0;
    bool tricklingClosed = false;
    while ((elapsed.elapsed() < 3000 || !tricklingClosed) && elapsed.elapsed() < kCloseWaitMs) {
        ++asked;
        if (serves(*active))
            ++answered;
        if (!tricklingClosed) {
            trickling->sendRaw(" ");
            tricklingClosed = trickling->waitForClosed(1);
        }
        QThread::msleep(50);
    }
    EXPECT_EQ(answered, asked) << "the active client was cut off";
    EXPECT_TRUE(serves(*active));
    EXPECT_TRUE(tricklingClosed) << "a client whose line never ends";

    EXPECT_TRUE(silent.waitForClosed(kCloseWaitMs)) << "a client that never sent anything";
    EXPECT_TRUE(halfLine->waitForClosed(kCloseWaitMs)) << "a client that stalled mid-line";
    EXPECT_TRUE(server.log().contains("no request for 1 s; closing")) << server.log().toStdString();
}

TEST(LimitsTest, AnIdleTimeoutOfZeroNeverCloses) {
    AppserverProcess server;
    ASSERT_TRUE(server.start({"--idle-timeout", "0"})) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains("idle timeout none"));
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    QThread::msleep(300);
    EXPECT_TRUE(client.open().contains("result"));
    EXPECT_TRUE(serves(client));
}

TEST(LimitsTest, LimitsOutOfRangeAreBadUsage) {
    AppserverProcess server;
    const QList<QStringList> wrong{
        {"--max-message-bytes", "100"}, {"--max-message-bytes", "lots"}, {"--max-connections", "0"},
        {"--max-connections", "-3"},    {"--idle-timeout", "-1"},        {"--idle-timeout", "1.5"},
        {"--idle-timeout", "99999999"}, {"--auth-timeout", "0"},         {"--auth-timeout", "601"},
    };
    for (const QStringList& arguments : wrong) {
        const AppserverProcess::CommandResult result = AppserverProcess::runRaw(
            QStringList{"--listen", "127.0.0.1:0", "--database", server.databaseUrl()} + arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(arguments.first())) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << "it listened";
    }
}
