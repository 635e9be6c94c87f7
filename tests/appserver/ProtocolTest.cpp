#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"

#include <QJsonDocument>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// What the socket adds to the protocol: a request is a line, however the packets cut it or run
// lines together; answers go out in the order of their requests; a line the server refuses, or
// does not answer, leaves the connection serving. What the dispatcher answers to each line is
// RpcDispatcherTest's, and the limits on size, connections and idle time are LimitsTest's. None of
// it touches the database, so it runs on SQLite alone.

namespace {

// Long enough for the server to read one packet before the next arrives.
constexpr unsigned long kPacketPauseMs = 50;

struct Answer {
    QJsonValue id;
    int code = 0; // 0 for a result
};

struct SocketCase {
    const char* name;
    std::vector<QByteArray> packets; // sent one at a time on a connection with the server open
    std::vector<Answer> answers;     // in this order, and nothing before or between them
};

QByteArray requestLine(qint64 id, const char* method) {
    return RpcClient::requestLine(id, QString::fromLatin1(method), QJsonArray());
}

std::vector<SocketCase> cases() {
    const QByteArray fourth = requestLine(4, "GetVersao");
    const QByteArray fifth = requestLine(5, "GetIdiLeDfm");
    return {
        {"ALineSplitOverPacketsIsOneRequest",
         {R"({"jsonrpc":"2.0","id":31,"method":"GetVer)", R"(sao","params":[]})", "\n"},
         {{31}}},
        // The two bytes of "é" in two packets: text is decoded by the line, not by the packet.
        {"ACharacterSplitOverPacketsArrivesWhole",
         {"{\"jsonrpc\":\"2.0\",\"id\":\"x\xc3", "\xa9\",\"method\":\"GetVersao\"}\n"},
         {{QString::fromUtf8("x\xc3\xa9")}}},
        {"SeveralLinesInOnePacketAreAnsweredInOrder",
         {requestLine(1, "GetVersao") + requestLine(2, "NoSuchMethod") + requestLine(3, "GetIdiLeDfm")},
         {{1}, {2, -32601}, {3}}},
        {"APacketMayEndInsideTheNextLine", {fourth + fifth.left(20), fifth.mid(20)}, {{4}, {5}}},
        {"WhatGetsNoAnswerSendsNothing",
         {R"({"jsonrpc":"2.0","method":"GetVersao","params":[]})"
          "\n\n \t\r\n",
          requestLine(77, "GetVersao")},
         {{77}}},
        {"RefusedLinesLeaveTheConnectionServing",
         {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\n", "not json at all\n", "[1,2,3]\n",
          requestLine(4, "NoSuchMethod")},
         {{QJsonValue::Null, -32700}, {QJsonValue::Null, -32700}, {QJsonValue::Null, -32600}, {4, -32601}}},
    };
}

std::string caseName(const ::testing::TestParamInfo<SocketCase>& param) {
    return param.param.name;
}

} // namespace

// One server for every case: each only reads, on a connection of its own.
class ProtocolTest : public ::testing::TestWithParam<SocketCase> {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<AppserverProcess>();
        if (!server->start()) {
            startLog = server->log();
            server.reset();
        }
    }
    static void TearDownTestSuite() { server.reset(); }

    static inline std::unique_ptr<AppserverProcess> server;
    static inline QString startLog; // of a server that did not start
};
INSTANTIATE_TEST_SUITE_P(, ProtocolTest, ::testing::ValuesIn(cases()), caseName);

TEST_P(ProtocolTest, AnswersEachLineWhateverThePackets) {
    ASSERT_TRUE(server) << "the server did not start: " << startLog.toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server->port()));
    ASSERT_TRUE(client.open().contains("result"));

    const SocketCase& socketCase = GetParam();
    for (const QByteArray& packet : socketCase.packets) {
        client.sendRaw(packet);
        QThread::msleep(kPacketPauseMs);
    }
    for (const Answer& expected : socketCase.answers) {
        const QJsonObject answer = client.readMessage();
        ASSERT_FALSE(answer.isEmpty()) << "no answer, or the connection closed";
        SCOPED_TRACE(QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString());
        EXPECT_EQ(answer.value("id"), expected.id);
        EXPECT_EQ(errorCode(answer), expected.code);
        if (expected.code == 0) {
            EXPECT_TRUE(resultOf(answer).value("ok").toBool());
        }
    }

    // The next answer belongs to the next request: nothing else was sent, and the connection serves.
    client.sendRaw(requestLine(99, "GetVersao"));
    const QJsonObject last = client.readMessage();
    EXPECT_EQ(last.value("id").toInt(), 99) << QJsonDocument(last).toJson().toStdString();
    EXPECT_TRUE(resultOf(last).value("ok").toBool());
}
