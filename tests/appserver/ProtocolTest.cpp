#include "tests/appserver/ServerFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

// The protocol over a real connection: answers carry their request's id, a line that is not JSON
// leaves the connection serving, and what gets no answer sends nothing. RpcDispatcherTest checks
// every answer the dispatcher decides on.

namespace {

bool stillServes(RpcClient& client) {
    const QJsonObject response = client.call(QStringLiteral("GetVersao"));
    return resultOf(response).value(QStringLiteral("ok")).toBool();
}

} // namespace

class ProtocolTest : public ServerFixture {};
INSTANTIATE_FOR_EACH_STORAGE(ProtocolTest);

TEST_P(ProtocolTest, AnswersCarryTheRequestIdAndVersion) {
    client.sendRaw(R"({"jsonrpc":"2.0","id":"abc-7","method":"GetVersao","params":[]})"
                   "\n");
    const QJsonObject byString = client.readMessage();
    EXPECT_EQ(byString.value("id").toString(), "abc-7");
    EXPECT_EQ(byString.value("jsonrpc").toString(), "2.0");
    EXPECT_TRUE(byString.contains("result"));

    client.sendRaw(R"({"jsonrpc":"2.0","id":41,"method":"GetVersao"})"
                   "\n");
    const QJsonObject byNumber = client.readMessage();
    EXPECT_EQ(byNumber.value("id").toInt(), 41);
    EXPECT_TRUE(resultOf(byNumber).value("ok").toBool()) << "params may be left out when there are none";
}

TEST_P(ProtocolTest, MalformedJsonIsAParseErrorAndTheConnectionStays) {
    client.sendRaw("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\n");
    const QJsonObject response = client.readMessage();
    EXPECT_EQ(errorCode(response), -32700);
    EXPECT_TRUE(response.value("id").isNull());
    EXPECT_TRUE(stillServes(client));

    client.sendRaw("not json at all\n");
    EXPECT_EQ(errorCode(client.readMessage()), -32700);
    EXPECT_TRUE(stillServes(client));
}

TEST_P(ProtocolTest, NotificationsAreNeitherRunNorAnswered) {
    QJsonObject notification{{"jsonrpc", "2.0"}, {"method", "GetVersao"}, {"params", QJsonArray()}};
    client.sendRaw(QJsonDocument(notification).toJson(QJsonDocument::Compact) + "\n\n");
    // The next answer belongs to the next request: the notification and the blank line got none.
    client.sendRaw(RpcClient::requestLine(77, "GetVersao", QJsonArray()));
    EXPECT_EQ(client.readMessage().value("id").toInt(), 77);
}

TEST(ProtocolTokenTest, TheTokenCanComeFromAFile) {
    AppserverProcess server;
    const QString path = QDir(server.directory()).filePath("token");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("  from-a-file-long-enough\n");
    file.close();
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(errorCode(client.call(
                  "rpc.open", QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}, {"token", "other"}})),
              -32001);
    EXPECT_TRUE(
        client
            .call("rpc.open", QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}, {"token", "from-a-file-long-enough"}})
            .contains("result"));

    AppserverProcess missing;
    EXPECT_FALSE(missing.start({"--token-file", QDir(missing.directory()).filePath("absent")}));
    EXPECT_EQ(missing.exitCode(), 1);
}
