#include "tests/appserver/RpcClient.h"
#include "tests/support/database/TestDatabase.h"

#include "appserver/object/CallError.h"
#include "appserver/object/ImpPocketObject.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/ServerRegistry.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Request lines in, answers out: every decision of the JSON-RPC layer, on one dispatcher per case
// with the real server object on SQLite, and no socket.

namespace {

const QString kServerName = QStringLiteral("Vdr04000.rdmImpPocket");
const QString kToken = QStringLiteral("s3cret");
// Instead of an error code: the line gets no answer at all.
constexpr int kNoAnswer = 1;

// Fails as a server object can: in the database, or otherwise; or answers "Text" with as many
// letters as asked, to find the output limit.
class FailingObject : public ServerObject {
public:
    QString name() const override { return QStringLiteral("Test.Failing"); }
    void call(const QString& method, const QJsonArray& params, JsonWriter& result) override {
        if (method == QLatin1String("Text"))
            return result.string(QString(params.at(0).toInteger(), u'x'));
        if (method == QLatin1String("InTheDatabase"))
            throw CallError(CallError::Kind::DatabaseFailed, QStringLiteral("disk I/O error\nwhile writing"));
        throw std::runtime_error("out of order");
    }
};

struct Exchange {
    QByteArray line;
    // The answer's error code; 0 for a result, which is ok when it says; kNoAnswer.
    int code = 0;
    // Checked when given.
    QJsonValue id = QJsonValue::Undefined;
    QString message = {};
    QJsonValue result = QJsonValue::Undefined;
    // The answer's "id" member as text, when Qt's reading of it could hide a change.
    QByteArray idText = {};
};

struct DispatchCase {
    const char* name;
    std::vector<Exchange> exchanges; // in order, on one dispatcher
    bool tokenRequired = false;      // kToken
    bool closes = false;             // refusedTooOften() at the end
};

QByteArray call(const QString& method, const QJsonValue& params = QJsonArray()) {
    return RpcClient::requestLine(1, method, params).chopped(1);
}

QByteArray open(const QString& serverName = kServerName) {
    return call(QStringLiteral("rpc.open"), QJsonObject{{QStringLiteral("serverName"), serverName}});
}

QByteArray openWithToken(const QJsonValue& token, const QString& serverName = kServerName) {
    return call(QStringLiteral("rpc.open"),
                QJsonObject{{QStringLiteral("serverName"), serverName}, {QStringLiteral("token"), token}});
}

// An exchange whose answer must carry idText as its "id", character for character.
Exchange echoes(const char* line, int code, const char* idText) {
    Exchange exchange{line, code};
    exchange.idText = idText;
    return exchange;
}

const Exchange kOpened{open(), 0, QJsonValue::Undefined, {}, QJsonObject{{"serverName", kServerName}}};
const Exchange kStillServes{call("GetVersao")};

std::vector<DispatchCase> cases() {
    return {
        {"BlankLinesAndNotificationsGetNoAnswer",
         {kOpened,
          {"", kNoAnswer},
          {" \t\r", kNoAnswer},
          {R"({"jsonrpc":"2.0","method":"GetVersao","params":[]})", kNoAnswer},
          {RpcClient::requestLine(77, "GetVersao", QJsonArray()).chopped(1), 0, 77}}},
        {"AnswersCarryTheRequestId",
         {kOpened,
          {R"({"jsonrpc":"2.0","id":"abc-7","method":"GetVersao","params":[]})", 0, "abc-7"},
          // params may be left out when there are none
          {R"({"jsonrpc":"2.0","id":41,"method":"GetVersao"})", 0, 41}}},
        {"MalformedJsonIsAParseError",
         {kOpened,
          {R"({"jsonrpc":"2.0","id":1,"method":)", -32700, QJsonValue::Null},
          {"not json at all", -32700},
          // a value too deep to take apart safely, and a number no double holds
          {R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","params":)" + QByteArray(1100, '[') +
               QByteArray(1100, ']') + "}",
           -32700},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","params":[1e999]})", -32700},
          kStillServes}},
        {"WrongKindsOfRequestAreInvalidRequests",
         {kOpened,
          {R"([1,2,3])", -32600},
          {R"("a string")", -32600},
          {R"({"id":1,"method":"GetVersao","params":[]})", -32600},
          {R"({"jsonrpc":"1.0","id":1,"method":"GetVersao","params":[]})", -32600},
          {R"({"jsonrpc":"2.0","id":1,"method":7,"params":[]})", -32600},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","params":"x"})", -32600},
          {R"({"jsonrpc":"2.0","id":{"a":1},"method":"GetVersao","params":[]})", -32600, QJsonValue::Null},
          kStillServes}},
        {"TheIdOfAnInvalidRequestIsEchoedWhenUsable",
         {{R"({"jsonrpc":"2.0","id":9,"method":true})", -32600, 9}}},
        {"IdsComeBackAsTheyWereWritten",
         {kOpened,
          echoes(R"({"jsonrpc":"2.0","id":12345678901234567890123,"method":"GetVersao"})", 0,
                 "12345678901234567890123"),
          echoes(R"({"jsonrpc":"2.0","id":9007199254740993,"method":"GetVersao"})", 0, "9007199254740993"),
          echoes(R"({"jsonrpc":"2.0","id":-9223372036854775809,"method":"GetVersao"})", 0,
                 "-9223372036854775809"),
          echoes(R"({"jsonrpc":"2.0","id":0,"method":"GetVersao"})", 0, "0"),
          echoes(R"({"jsonrpc":"2.0","id":1e2,"method":"GetVersao"})", 0, "1e2"),
          echoes(R"({"jsonrpc":"2.0","id":18446744073709551617,"method":"NoSuchMethod"})", -32601,
                 "18446744073709551617"),
          echoes(R"({"jsonrpc":"2.0","id":18446744073709551617,"method":true})", -32600,
                 "18446744073709551617"),
          // only the request's own id: one inside the params is not it
          {R"({"jsonrpc":"2.0","params":[{"id":5}],"id":"x\u00e9","method":"GetVersao"})", -32602, "x\u00e9"},
          {R"({"jsonrpc":"2.0","id":"\ud83d\ude00","method":"GetVersao"})", 0,
           QString::fromUtf8("\U0001F600")}}},
        {"StringsThatAreNotUnicodeAreRefusedUnread",
         {kOpened,
          {R"({"jsonrpc":"2.0","id":1,"method":"GetIdiLeDfm","params":["A\ud800B"]})", -32700,
           QJsonValue::Null},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetIdiLeDfm","params":["A\ud800"]})", -32700},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetIdiLeDfm","params":["A\udc00B"]})", -32700},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetIdiLeDfm","params":["\udc00\ud800"]})", -32700},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetIdiLeDfm","params":["\ud800\u0041"]})", -32700},
          {R"({"jsonrpc":"2.0","id":"\udfff","method":"GetVersao"})", -32700, QJsonValue::Null},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","\ud800":1})", -32700},
          {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetIdiLeDfm\",\"params\":[\"A\xed\xa0\x80"
           "B\"]}",
           -32700},
          {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetIdiLeDfm\",\"params\":[\"A\xff"
           "B\"]}",
           -32700},
          {R"({"jsonrpc":"2.0","id":1,"method":"GetVersao","x":"\ud800\udc00"})", 0},
          kStillServes}},
        {"UnknownMethodsAndWrongArgumentsAreRefused",
         {kOpened,
          {call("GetNothing"), -32601},
          {call("getversao"), -32601}, // method names are case-sensitive
          {call("GetVersao", QJsonArray{1}), -32602},
          {call("GetIdiLeDfm", QJsonArray{"x"}), -32602},
          {call("GetPropried", QJsonArray{"A", "B", "C", "CAPTION", "0", "V"}), -32602},
          {call("GetPropried", QJsonArray{"A", "B", "C", "CAPTION", 0, "V", "POR"}), -32602},
          {call("GetPropried", QJsonObject{{"a", 1}}), -32602},
          {call("SetPropried", QJsonArray()), -32602},
          {call("SetPropried", QJsonArray{"delta"}), -32602},
          {call("SetVerProp", QJsonArray{QJsonObject(), QJsonObject()}), -32602},
          {call("SetVersao", QJsonArray{QJsonArray()}), -32602},
          {call("GetFormRows", QJsonArray{"P", "F", "POR"}), -32601}, // paged by GetProgramRows now
          {call("GetProgramRows", QJsonArray{"P", "POR"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", "", "C"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", QJsonValue::Null, ""}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", 0}), -32602},
          // Cursors this server never gives.
          {call("GetProgramRows", QJsonArray{"P", "POR", "next"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", " 12"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", "+12"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", "012"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", "99999999999999999999"}), -32602},
          {call("GetProgramRows", QJsonArray{"P", "POR", ""})},
          {call("GetProgramRows", QJsonArray{"P", "POR", "12"})},
          kStillServes}},
        {"MethodsBeforeOpenAndASecondOpenAreRefused",
         {{call("GetVersao"), -32002},
          {call("NoSuchMethod"), -32002},
          kOpened,
          {open(), -32002},
          kStillServes}},
        {"UnknownServerNamesAreRefusedAndOpenCanBeRetried",
         {{open("Vdr04000.rdmOther"), -32001},
          {open("vdr04000.rdmimppocket"), -32001}, // names are case-sensitive
          {call("rpc.open", QJsonObject{{"name", kServerName}}), -32602},
          kOpened}},
        {"NothingRunsBeforeTheRightToken",
         {{call("GetIdiLeDfm"), -32002},
          {open(), -32001, QJsonValue::Undefined, "missing or wrong token"},
          {call("GetIdiLeDfm"), -32002},
          {openWithToken(kToken + "x"), -32001, QJsonValue::Undefined, "missing or wrong token"},
          {call("GetIdiLeDfm"), -32002},
          {call("GetProgramRows", QJsonArray{"P", "POR", ""}), -32002},
          {openWithToken(kToken), 0, QJsonValue::Undefined, {}, QJsonObject{{"serverName", kServerName}}},
          {call("GetIdiLeDfm")}},
         true},
        {"TheTokenIsCheckedBeforeTheName",
         {{open("Vdr04000.rdmOther"), -32001, QJsonValue::Undefined, "missing or wrong token"},
          {openWithToken(kToken, "Vdr04000.rdmOther"), -32001, QJsonValue::Undefined,
           R"(no server object is named "Vdr04000.rdmOther")"}},
         true},
        {"TheThirdRefusedTokenClosesTheConnection",
         {{openWithToken("a"), -32001}, {openWithToken("b"), -32001}, {openWithToken("c"), -32001}},
         true,
         true},
        {"ATokenOfAnotherKindIsAnArgumentErrorNotARefusal",
         {{openWithToken(5), -32602}, {openWithToken(true), -32602}, {openWithToken(QJsonArray()), -32602}},
         true},
        {"ATokenIsIgnoredWhenNoneIsRequired", {{openWithToken("anything"), 0}}},
        {"FailuresOfTheServerObjectAreInternalErrors",
         {{open("Test.Failing"), 0},
          // on one line, as a client shows it
          {call("InTheDatabase"), -32603, 1, "the database failed: disk I/O error while writing"},
          {call("Otherwise"), -32603, 1, "out of order"}}},
        // {"jsonrpc":"2.0","id":1,"result":"..."} and the line end take 37 bytes besides the text.
        {"NoAnswerPassesTheOutputLimit",
         {{open("Test.Failing"), 0},
          {call("Text", QJsonArray{RpcDispatcher::kMaxAnswerBytes - 37}), 0},
          {call("Text", QJsonArray{RpcDispatcher::kMaxAnswerBytes - 36}), -32005, 1,
           "the answer to Text would take more than the server's output limit of 8388608 bytes"},
          {call("Text", QJsonArray{1}), 0}}},
    };
}

// The server objects, shared by every case: they are only read.
struct Served {
    TestDatabase database{StorageKind::Sqlite};
    Storage storage{database.location()};
    ServerRegistry registry;

    Served() {
        registry.add(std::make_shared<ImpPocketObject>(storage));
        registry.add(std::make_shared<FailingObject>());
    }
};

std::string caseName(const ::testing::TestParamInfo<DispatchCase>& param) {
    return param.param.name;
}

} // namespace

class RpcDispatcherTest : public ::testing::TestWithParam<DispatchCase> {
protected:
    static void SetUpTestSuite() { served = std::make_unique<Served>(); }
    static void TearDownTestSuite() { served.reset(); }

    static inline std::unique_ptr<Served> served;
};
INSTANTIATE_TEST_SUITE_P(, RpcDispatcherTest, ::testing::ValuesIn(cases()), caseName);

TEST_P(RpcDispatcherTest, AnswersEachLine) {
    const DispatchCase& dispatchCase = GetParam();
    RpcDispatcher dispatcher(served->registry,
                             dispatchCase.tokenRequired ? AccessToken(kToken) : AccessToken(), 1);
    for (const Exchange& exchange : dispatchCase.exchanges) {
        SCOPED_TRACE(exchange.line.toStdString());
        const std::optional<QByteArray> answer = dispatcher.handle(exchange.line);
        if (exchange.code == kNoAnswer) {
            EXPECT_FALSE(answer) << answer->toStdString();
            continue;
        }
        ASSERT_TRUE(answer);
        EXPECT_TRUE(answer->endsWith('\n'));
        EXPECT_EQ(answer->count('\n'), 1) << "an answer is one line";
        const QJsonObject response = QJsonDocument::fromJson(*answer).object();
        EXPECT_EQ(response.value("jsonrpc").toString(), "2.0");
        EXPECT_EQ(errorCode(response), exchange.code) << answer->toStdString();
        if (exchange.code == 0) {
            EXPECT_TRUE(response.contains("result"));
            const QJsonObject result = resultOf(response);
            if (result.contains("ok")) {
                EXPECT_TRUE(result.value("ok").toBool()) << answer->toStdString();
            }
        }
        if (!exchange.id.isUndefined()) {
            EXPECT_EQ(response.value("id"), exchange.id);
        }
        if (!exchange.idText.isEmpty()) {
            EXPECT_TRUE(answer->contains("\"id\":" + exchange.idText + ',')) << answer->toStdString();
        }
        if (!exchange.message.isEmpty()) {
            EXPECT_EQ(response.value("error").toObject().value("message").toString(), exchange.message);
        }
        if (!exchange.result.isUndefined()) {
            EXPECT_EQ(response.value("result"), exchange.result);
        }
    }
    EXPECT_EQ(dispatcher.refusedTooOften(), dispatchCase.closes);
}
