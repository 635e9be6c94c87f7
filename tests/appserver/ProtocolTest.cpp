#include "tests/appserver/ServerFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

// JSON-RPC faults: each gets its error code, and the connection goes on serving afterwards.

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

TEST_P(ProtocolTest, WrongKindsOfRequestAreInvalidRequests) {
    const QList<QByteArray> invalid{
        R"([1,2,3])",
        R"("a string")",
        R"({"id":1,"method":"GetVersao","params":[]})",
        R"({"jsonrpc":"1.0","id":1,"method":"GetVersao","params":[]})",
        R"({"jsonrpc":"2.0","id":1,"method":7,"params":[]})",
        R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","params":"x"})",
        R"({"jsonrpc":"2.0","id":{"a":1},"method":"GetVersao","params":[]})",
    };
    for (const QByteArray& line : invalid) {
        client.sendRaw(line + '\n');
        EXPECT_EQ(errorCode(client.readMessage()), -32600) << line.constData();
    }
    EXPECT_TRUE(stillServes(client));
}

TEST_P(ProtocolTest, TheIdOfAnInvalidRequestIsEchoedWhenUsable) {
    client.sendRaw(R"({"jsonrpc":"2.0","id":9,"method":true})"
                   "\n");
    const QJsonObject response = client.readMessage();
    EXPECT_EQ(errorCode(response), -32600);
    EXPECT_EQ(response.value("id").toInt(), 9);
}

TEST_P(ProtocolTest, NotificationsAreNeitherRunNorAnswered) {
    QJsonObject notification{{"jsonrpc", "2.0"}, {"method", "GetVersao"}, {"params", QJsonArray()}};
    client.sendRaw(QJsonDocument(notification).toJson(QJsonDocument::Compact) + "\n\n");
    // The next answer belongs to the next request: the notification and the blank line got none.
    client.sendRaw(RpcClient::requestLine(77, "GetVersao", QJsonArray()));
    EXPECT_EQ(client.readMessage().value("id").toInt(), 77);
}

TEST_P(ProtocolTest, UnknownMethodsAndWrongArgumentsAreRefused) {
    EXPECT_EQ(errorCode(client.call("GetNothing")), -32601);
    EXPECT_EQ(errorCode(client.call("getversao")), -32601) << "method names are case-sensitive";
    EXPECT_EQ(errorCode(client.call("GetVersao", QJsonArray{1})), -32602);
    EXPECT_EQ(errorCode(client.call("GetIdiLeDfm", QJsonArray{"x"})), -32602);
    EXPECT_EQ(errorCode(client.call("GetPropried", QJsonArray{"A", "B", "C", "CAPTION", "0", "V"})), -32602);
    EXPECT_EQ(errorCode(client.call("GetPropried", QJsonArray{"A", "B", "C", "CAPTION", 0, "V", "POR"})),
              -32602);
    EXPECT_EQ(errorCode(client.call("GetPropried", QJsonObject{{"a", 1}})), -32602);
    EXPECT_EQ(errorCode(client.call("SetPropried", QJsonArray())), -32602);
    EXPECT_EQ(errorCode(client.call("SetPropried", QJsonArray{"delta"})), -32602);
    EXPECT_EQ(errorCode(client.call("SetVerProp", QJsonArray{QJsonObject(), QJsonObject()})), -32602);
    EXPECT_EQ(errorCode(client.call("SetVersao", QJsonArray{QJsonArray()})), -32602);
    EXPECT_TRUE(stillServes(client));
}

TEST_P(ProtocolTest, MethodsBeforeOpenAndASecondOpenAreRefused) {
    RpcClient fresh;
    ASSERT_TRUE(fresh.connectTo(server.port()));
    EXPECT_EQ(errorCode(fresh.call("GetVersao")), -32002);
    EXPECT_EQ(errorCode(fresh.call("NoSuchMethod")), -32002);
    const QJsonObject opened = fresh.open();
    EXPECT_EQ(resultOf(opened).value("serverName").toString(), "Vdr04000.rdmImpPocket");
    EXPECT_EQ(errorCode(fresh.open()), -32002);
    EXPECT_TRUE(stillServes(fresh));
}

TEST_P(ProtocolTest, UnknownServerNamesAreRefusedAndOpenCanBeRetried) {
    RpcClient fresh;
    ASSERT_TRUE(fresh.connectTo(server.port()));
    EXPECT_EQ(errorCode(fresh.open("Vdr04000.rdmOther")), -32001);
    EXPECT_EQ(errorCode(fresh.open("vdr04000.rdmimppocket")), -32001) << "names are case-sensitive";
    EXPECT_EQ(errorCode(fresh.call("rpc.open", QJsonObject{{"name", "Vdr04000.rdmImpPocket"}})), -32602);
    EXPECT_TRUE(fresh.open().contains("result"));
}

TEST(ProtocolTokenTest, TheTokenCanComeFromAFile) {
    AppserverProcess server;
    const QString path = QDir(server.directory()).filePath("token");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("  from-a-file\n");
    file.close();
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(errorCode(client.call(
                  "rpc.open", QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}, {"token", "other"}})),
              -32001);
    EXPECT_TRUE(
        client
            .call("rpc.open", QJsonObject{{"serverName", "Vdr04000.rdmImpPocket"}, {"token", "from-a-file"}})
            .contains("result"));

    AppserverProcess missing;
    EXPECT_FALSE(missing.start({"--token-file", QDir(missing.directory()).filePath("absent")}));
    EXPECT_EQ(missing.exitCode(), 1);
}
