#include "tests/appserver/ServerFixture.h"

#include <QJsonDocument>

// One misbehaving client never holds up or takes down the others.

namespace {

constexpr qsizetype kLimit = 1024 * 1024;

} // namespace

class RobustnessTest : public ServerFixture {};
INSTANTIATE_FOR_EACH_STORAGE(RobustnessTest);

TEST_P(RobustnessTest, ALineAtTheLimitIsServed) {
    client.sendRaw(requestOfLength(kLimit) + '\n');
    const QJsonObject response = client.readMessage();
    EXPECT_EQ(response.value("id").toInt(), 5);
    EXPECT_TRUE(resultOf(response).value("ok").toBool());
    EXPECT_TRUE(rowsOf(response).isEmpty());
}

TEST_P(RobustnessTest, AnOversizedLineClosesOnlyThatConnection) {
    RpcClient other;
    openClient(other);

    client.sendRaw(requestOfLength(kLimit + 1) + '\n');
    const QJsonObject refusal = client.readMessage();
    EXPECT_EQ(errorCode(refusal), -32600);
    EXPECT_TRUE(refusal.value("id").isNull());
    EXPECT_TRUE(client.waitForClosed());

    EXPECT_TRUE(resultOf(other.call("GetVersao")).value("ok").toBool());
    RpcClient later;
    openClient(later);
    EXPECT_TRUE(resultOf(later.call("GetIdiLeDfm")).value("ok").toBool());
}

TEST_P(RobustnessTest, AnEndlessLineWithoutLineEndIsCutOff) {
    client.sendRaw(QByteArray(kLimit + 4096, ' '));
    EXPECT_EQ(errorCode(client.readMessage()), -32600);
    EXPECT_TRUE(client.waitForClosed());
}

TEST_P(RobustnessTest, AHalfSentLineDoesNotStallOthers) {
    client.sendRaw(R"({"jsonrpc":"2.0","id":31,"method":"GetVer)");
    RpcClient other;
    openClient(other);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(resultOf(other.call("GetIdiLeDfm")).value("ok").toBool());
    // The stalled client picks up where it stopped.
    client.sendRaw("sao\",\"params\":[]}\n");
    EXPECT_EQ(client.readMessage().value("id").toInt(), 31);
}

TEST_P(RobustnessTest, AClientThatSendsNothingDoesNotStallOthers) {
    RpcClient silent;
    ASSERT_TRUE(silent.connectTo(server.port()));
    RpcClient other;
    openClient(other);
    EXPECT_TRUE(resultOf(other.call("GetVersao")).value("ok").toBool());
    EXPECT_TRUE(resultOf(client.call("GetVersao")).value("ok").toBool());
}

TEST_P(RobustnessTest, AFloodingClientThatReadsNothingDoesNotStallOthers) {
    // Far more answers than the server queues for one client, so it has to stop reading from it.
    constexpr int kRequests = 12000;
    QByteArray flood;
    for (int id = 1; id <= kRequests; ++id)
        flood += RpcClient::requestLine(id, "GetIdiLeDfm", QJsonArray());
    QTcpSocket flooder;
    flooder.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
    ASSERT_TRUE(flooder.waitForConnected());
    flooder.write(
        RpcClient::requestLine(0, "rpc.open", QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}}));
    flooder.write(flood);
    flooder.flush();

    RpcClient other;
    openClient(other);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(resultOf(other.call("GetVersao")).value("ok").toBool());

    // Every flooded request is still answered, in order, once the flooder reads.
    QByteArray received;
    int answers = 0;
    int lastId = -1;
    bool inOrder = true;
    while (answers < kRequests + 1 && flooder.waitForReadyRead(RpcClient::kTimeoutMs)) {
        received += flooder.readAll();
        qsizetype start = 0;
        for (qsizetype end = received.indexOf('\n'); end >= 0; end = received.indexOf('\n', start)) {
            const int id =
                QJsonDocument::fromJson(received.mid(start, end - start)).object().value("id").toInt();
            inOrder = inOrder && id == lastId + 1;
            lastId = id;
            ++answers;
            start = end + 1;
        }
        received.remove(0, start);
    }
    EXPECT_EQ(answers, kRequests + 1);
    EXPECT_TRUE(inOrder);
}
