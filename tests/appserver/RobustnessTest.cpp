#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One misbehaving client never holds up or takes down the others: beside each, a client opened
// before it and one that connects after it are served, and then the misbehaving one gets what it
// is owed. How the server ends such a client once a limit runs out is LimitsTest's. The database is
// never what is at stake, so the server runs on SQLite.

namespace {

const QString kServerName = QStringLiteral("Vdr04000.rdmImpPocket");

bool serves(RpcClient& client) {
    return resultOf(client.call(QStringLiteral("GetVersao"))).value(QStringLiteral("ok")).toBool();
}

class MisbehavingClient {
public:
    virtual ~MisbehavingClient() = default;
    virtual void start(quint16 port) = 0;
    // Once the others were served.
    virtual void finish() {}
};

// Connects and never sends a byte.
class SilentClient : public MisbehavingClient {
public:
    void start(quint16 port) override { ASSERT_TRUE(client_.connectTo(port)); }

private:
    RpcClient client_;
};

// Sends half a line and stalls; the rest, when it comes, is the same request.
class HalfLineClient : public MisbehavingClient {
public:
    void start(quint16 port) override {
        ASSERT_TRUE(client_.connectTo(port));
        ASSERT_TRUE(client_.open().contains("result"));
        client_.sendRaw(R"({"jsonrpc":"2.0","id":31,"method":"GetVer)");
    }
    void finish() override {
        client_.sendRaw("sao\",\"params\":[]}\n");
        EXPECT_EQ(client_.readMessage().value("id").toInt(), 31);
    }

private:
    RpcClient client_;
};

// Sends far more requests than the server queues answers for one client and reads none of them,
// so the server has to stop reading from it; every request is answered, in order, once it reads.
class FloodingClient : public MisbehavingClient {
public:
    static constexpr int kRequests = 12000;

    void start(quint16 port) override {
        socket_.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        ASSERT_TRUE(socket_.waitForConnected());
        socket_.write(RpcClient::requestLine(0, "rpc.open", QJsonObject{{"serverName", kServerName}}));
        QByteArray flood;
        for (int id = 1; id <= kRequests; ++id)
            flood += RpcClient::requestLine(id, "GetIdiLeDfm", QJsonArray());
        socket_.write(flood);
        socket_.flush();
    }

    void finish() override {
        QByteArray received;
        int answers = 0;
        int lastId = -1;
        bool inOrder = true;
        while (answers < kRequests + 1 && socket_.waitForReadyRead(RpcClient::kTimeoutMs)) {
            received += socket_.readAll();
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

private:
    QTcpSocket socket_;
};

struct MisbehaviourCase {
    const char* name;
    std::function<std::unique_ptr<MisbehavingClient>()> make;
};

template <typename Client> MisbehaviourCase misbehaviour(const char* name) {
    return {name, [] { return std::make_unique<Client>(); }};
}

std::vector<MisbehaviourCase> cases() {
    return {
        misbehaviour<SilentClient>("AClientThatSendsNothing"),
        misbehaviour<HalfLineClient>("AClientThatStopsHalfWayThroughALine"),
        misbehaviour<FloodingClient>("AFloodingClientThatReadsNothing"),
    };
}

std::string caseName(const ::testing::TestParamInfo<MisbehaviourCase>& param) {
    return param.param.name;
}

} // namespace

class RobustnessTest : public ::testing::TestWithParam<MisbehaviourCase> {};
INSTANTIATE_TEST_SUITE_P(, RobustnessTest, ::testing::ValuesIn(cases()), caseName);

TEST_P(RobustnessTest, TheOthersAreServedBesideIt) {
    AppserverProcess server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    RpcClient before;
    ASSERT_TRUE(before.connectTo(server.port()));
    ASSERT_TRUE(before.open().contains("result"));

    const std::unique_ptr<MisbehavingClient> misbehaving = GetParam().make();
    misbehaving->start(server.port());
    if (HasFatalFailure())
        return;

    RpcClient after;
    ASSERT_TRUE(after.connectTo(server.port()));
    ASSERT_TRUE(after.open().contains("result"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(serves(after));
    EXPECT_TRUE(serves(before));

    misbehaving->finish();
}
