#include "components/JsonRpcClient.h"
#include "components/LineConnector.h"
#include "toolkit/Exceptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

// What the client makes of the answer to the older of two calls in flight: its result, the
// server's refusal in the server's words, or, for an answer it cannot pair with that call, a
// closed connection and no call left in flight.

namespace {

enum class Outcome { Result, Refusal, LostTrack };

struct AnswerCase {
    const char* name;
    // ID stands for the call's own id, NEXT for the id of the call after it.
    const char* answer;
    Outcome outcome;
    const char* message; // how the failure's message begins, if it fails
};

const AnswerCase kAnswers[] = {
    {"its own id", R"({"jsonrpc":"2.0","id":ID,"result":"first"})", Outcome::Result, ""},
    {"an error with its own id", R"({"jsonrpc":"2.0","id":ID,"error":{"code":-32603,"message":"disk full"}})",
     Outcome::Refusal, "The application server refused first: disk full (code -32603)"},
    {"an error about the connection",
     R"({"jsonrpc":"2.0","id":null,"error":{"code":-32000,"message":"too many connections"}})",
     Outcome::Refusal, "The application server refused first: too many connections (code -32000)"},
    {"a result without an id", R"({"jsonrpc":"2.0","id":null,"result":"first"})", Outcome::LostTrack,
     "The application server at server.test:21400 answered another request than first"},
    {"the next call's id", R"({"jsonrpc":"2.0","id":NEXT,"result":"second"})", Outcome::LostTrack,
     "The application server at server.test:21400 answered another request than first"},
    {"an unreadable line", R"({"jsonrpc":"2.0","id")", Outcome::LostTrack,
     "The application server at server.test:21400 sent an unreadable answer to first: "},
};

} // namespace

TEST(AJsonRpcClient, PairsTheOldestCallWithItsAnswerByIdOrLetsTheConnectionGo) {
    for (const AnswerCase& c : kAnswers) {
        SCOPED_TRACE(c.name);
        // Each call is answered with its method's name, the first one as the case says.
        const LineConnector::Transport server = [&c](const QByteArray& line) {
            const QJsonObject request = QJsonDocument::fromJson(line).object();
            const qint64 id = request.value("id").toInteger();
            if (request.value("method").toString() == QLatin1String("first"))
                return QByteArray(c.answer)
                    .replace("NEXT", QByteArray::number(id + 1))
                    .replace("ID", QByteArray::number(id));
            return QJsonDocument(
                       QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"result", request.value("method")}})
                .toJson(QJsonDocument::Compact);
        };
        LineConnector lines(server);
        lines.open({.host = QStringLiteral("server.test"), .port = 21400});
        JsonRpcClient rpc(lines);
        rpc.send(QStringLiteral("first"), QJsonArray());
        rpc.send(QStringLiteral("second"), QJsonArray());

        Outcome outcome = Outcome::Result;
        QString message;
        try {
            EXPECT_EQ(rpc.receive().toString(), QLatin1String("first"));
        } catch (const EServerError& refusal) {
            outcome = Outcome::Refusal;
            message = refusal.message();
        } catch (const ESocketError& lost) {
            outcome = Outcome::LostTrack;
            message = lost.message();
        }
        EXPECT_EQ(outcome, c.outcome) << message.toStdString();
        if (c.outcome != Outcome::Result) {
            EXPECT_TRUE(message.startsWith(QLatin1String(c.message))) << message.toStdString();
        }

        const bool kept = c.outcome != Outcome::LostTrack;
        EXPECT_EQ(lines.isOpen(), kept);
        ASSERT_EQ(rpc.pendingCalls(), kept ? 1 : 0);
        if (kept) {
            EXPECT_EQ(rpc.receive().toString(), QLatin1String("second")) << "the call behind it is answered";
        }
        EXPECT_EQ(rpc.pendingBytes(), 0);
    }
}
