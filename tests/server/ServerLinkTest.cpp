#include "tests/server/LinkFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <future>

// The reading calls: each answer becomes a data set's whole content, and every wait ends.
using TheLink = LinkFixture;
using Wait = LinkActivity::Wait;

TEST_F(TheLink, OpeningConnectsAndLoadsTheLanguagesInTheServersOrder) {
    EXPECT_TRUE(connection.Connected());
    EXPECT_GE(data.cdsIdiLeDfm.RecordCount(), 3);
    data.cdsIdiLeDfm.First();
    EXPECT_TRUE(data.cdsIdiLeDfm.Locate("IDIDIOMA", {QByteArray("POR")}, 0));
    EXPECT_EQ(Ansi::toUnicode(data.cdsIdiLeDfmDSIDIOMA->AsString()), QStringLiteral("Português"));
    EXPECT_EQ(view.waits, (QList<Wait>{Wait::Connect, Wait::Read}));
    EXPECT_FALSE(view.waiting());
}

TEST_F(TheLink, GetPropriedSendsSevenStringsAndFindsWhatWasStored) {
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do cliente"), 0);
    const QJsonArray sent = paramsOf(RemoteMethods::kGetPropried).last();
    ASSERT_EQ(sent.size(), 7);
    for (const auto& param : sent)
        EXPECT_TRUE(param.isString());
    EXPECT_EQ(sent.at(3).toString(), QStringLiteral("CAPTION"));
    EXPECT_EQ(sent.at(4).toString(), QStringLiteral("0"));
    EXPECT_TRUE(data.cdsPropried.Active()) << "an empty answer is still a packet in the row layout";

    postRow(data.cdsPropried, "CLIENTE", "LBLNOME", "Nome do cliente");
    // The key matches without regard to the letter case of names; the value must be equal.
    EXPECT_EQ(storedRows("CLIENTE", "lblnome", "Nome do cliente"), 1);
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do Cliente"), 0);
    EXPECT_EQ(storedRows("CLIENTE", "lblNome", "Nome do cliente", "ENG"), 0);
}

TEST_F(TheLink, GetVersaoLoadsTheSingleVersionRecord) {
    link.callGetVersao(data.cdsVersao);
    EXPECT_EQ(data.cdsVersao.RecordCount(), 1);
    EXPECT_EQ(callsOf(RemoteMethods::kGetVersao), 1);
    EXPECT_FALSE(view.waiting());
}

TEST_F(TheLink, AFailedReadingCallEndsTheWaitAndKeepsTheDataSetsContent) {
    const int rowsBefore = data.cdsIdiLeDfm.RecordCount();
    server.Cut(connection);
    EXPECT_THROW(link.callGetIdiLeDfm(data.cdsIdiLeDfm), ESocketError);
    EXPECT_FALSE(view.waiting());
    EXPECT_EQ(data.cdsIdiLeDfm.RecordCount(), rowsBefore);
    EXPECT_THROW(link.callGetVersao(data.cdsVersao), ESocketError);
    EXPECT_FALSE(view.waiting());
}

using TheLinkOverASocket = LinkOverASocket;

TEST_F(TheLinkOverASocket, PortAndHostAreTakenAfreshAtEveryConnect) {
    ServerProcess first;
    ServerProcess second;
    pointAt(second);
    link.open();
    EXPECT_EQ(connection.Port, second.port());
    EXPECT_EQ(connection.Host, second.host());
    data.cdsPropried.CreateDataSet();
    postRow(data.cdsPropried, "SEGUNDO", "LBLA", "Texto");
    connection.Close();

    pointAt(first);
    link.open();
    EXPECT_EQ(storedRows("SEGUNDO", "LBLA", "Texto"), 0) << "the row went to the second server only";
}

TEST_F(TheLinkOverASocket, AConnectThatFailsSaysWhereItTriedAndEndsTheWait) {
    int deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    // An empty host is used as it comes.
    for (const QString& host : {QString(), QStringLiteral("127.0.0.1")}) {
        SCOPED_TRACE(host.toStdString());
        pointAt(host, deadPort);
        try {
            link.open();
            ADD_FAILURE() << "connected to a port nobody listens on";
        } catch (const ESocketError& failure) {
            EXPECT_TRUE(failure.message().contains(QStringLiteral("%1:%2").arg(host).arg(deadPort)))
                << failure.what();
        }
        EXPECT_EQ(connection.Host, host);
        EXPECT_FALSE(view.waiting());
    }
}

TEST_F(TheLinkOverASocket, AConnectionTheServerClosedWhileIdleIsOpenedAgainAtTheNextCall) {
    ServerProcess strict({QStringLiteral("--idle-timeout"), QStringLiteral("1")});
    pointAt(strict);
    link.open();
    QElapsedTimer idle;
    idle.start();
    while (connection.Connected() && idle.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_FALSE(connection.Connected()) << "the server kept an idle connection";

    link.callGetVersao(data.cdsVersao);
    EXPECT_EQ(data.cdsVersao.RecordCount(), 1);
    EXPECT_TRUE(connection.Connected());

    // A connection closed on this side stays closed.
    connection.Close();
    EXPECT_THROW(link.callGetVersao(data.cdsVersao), ESocketError);
}

TEST_F(TheLinkOverASocket, ARefusalAboutTheConnectionItselfPassesOut) {
    ServerProcess crowded({QStringLiteral("--max-connections"), QStringLiteral("1")});
    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(crowded.port()));
    ASSERT_TRUE(first.waitForConnected(5000));
    pointAt(crowded);
    try {
        link.open();
        FAIL() << "a connection over the limit was served";
    } catch (const Exception& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("too many connections"))) << failure.what();
    }
}

namespace {

// A server on a thread of its own that opens the server object and then lets the next request
// down: it never answers, hangs up while the client waits, answers what cannot be read, answers
// another request, or sends more than an answer may hold.
class FailingServer : public QThread {
public:
    enum class Failure { NoAnswer, HangUp, Unreadable, OtherId, Oversized };
    explicit FailingServer(Failure failure) : failure_(failure) {
        std::future<int> port = port_.get_future();
        start();
        listeningPort = port.get();
    }
    ~FailingServer() override {
        quit();
        wait();
    }
    int listeningPort = 0;

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, this] {
            QTcpSocket* client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, client, [client, this] {
                while (client->canReadLine()) {
                    const QJsonObject request = QJsonDocument::fromJson(client->readLine()).object();
                    if (request.value(QStringLiteral("method")).toString() == QLatin1String("rpc.open")) {
                        const QJsonObject answer{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                                 {QStringLiteral("id"), request.value(QStringLiteral("id"))},
                                                 {QStringLiteral("result"), QJsonObject{}}};
                        client->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
                    } else if (failure_ == Failure::HangUp) {
                        client->disconnectFromHost();
                    } else if (failure_ == Failure::Unreadable) {
                        client->write("{\"jsonrpc\": \"2.0\", \"id\"\n");
                    } else if (failure_ == Failure::OtherId) {
                        const QJsonObject answer{
                            {QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                            {QStringLiteral("id"), request.value(QStringLiteral("id")).toInt() + 1},
                            {QStringLiteral("result"), QJsonObject{}}};
                        client->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
                    } else if (failure_ == Failure::Oversized) {
                        client->write(QByteArray(65 * 1024 * 1024, ' '));
                    }
                }
            });
        });
        port_.set_value(server.serverPort());
        exec();
    }

private:
    const Failure failure_;
    std::promise<int> port_;
};

} // namespace

// Nothing read on a connection that lost track of its answers can be trusted to answer the call
// that reads it: the next call connects again.
TEST_F(TheLinkOverASocket, AfterACallWhoseAnswerWasLostTheNextCallConnectsAgain) {
    ServerProcess restarted;
    for (FailingServer::Failure failure :
         {FailingServer::Failure::NoAnswer, FailingServer::Failure::HangUp,
          FailingServer::Failure::Unreadable, FailingServer::Failure::OtherId,
          FailingServer::Failure::Oversized}) {
        SCOPED_TRACE(static_cast<int>(failure));
        FailingServer failing(failure);
        pointAt(QStringLiteral("127.0.0.1"), failing.listeningPort);
        connection.Timeout = 500;
        link.open();
        EXPECT_THROW(link.callGetVersao(data.cdsVersao), ESocketError);

        // The user starts the server again and presses import once more.
        pointAt(restarted);
        link.callGetVersao(data.cdsVersao);
        EXPECT_EQ(data.cdsVersao.RecordCount(), 1);
        EXPECT_EQ(connection.Port, restarted.port());
        connection.Close();
    }
}
