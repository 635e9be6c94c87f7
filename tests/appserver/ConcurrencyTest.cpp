#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include <QJsonDocument>

// Two people capturing the same forms at once: both succeed, each row is stored once, through one
// server or through two sharing the database.

namespace {

QByteArray insertRequest(qint64 id, const QList<QJsonArray>& rows) {
    QJsonArray changes;
    for (const QJsonArray& row : rows)
        changes.append(insertChange(row));
    return RpcClient::requestLine(id, "SetPropried", QJsonArray{translationDelta(changes)});
}

QJsonArray labelRow(int number) {
    return captionRow("CLIENTE", "FRMCLIENTE", QStringLiteral("LBL%1").arg(number),
                      QStringLiteral("Texto %1").arg(number));
}

} // namespace

class ConcurrencyTest : public ServerFixture {};
INSTANTIATE_FOR_EACH_STORAGE(ConcurrencyTest);

TEST_P(ConcurrencyTest, TwoClientsInsertingTheSameRowBothSucceed) {
    RpcClient other;
    openClient(other);
    const QJsonArray row = captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome");
    // Both requests are on their way before either answer is read.
    client.sendRaw(insertRequest(100, {row}));
    other.sendRaw(insertRequest(200, {row}));
    const QJsonObject first = client.readMessage();
    const QJsonObject second = other.readMessage();
    EXPECT_EQ(first.value("id").toInt(), 100);
    EXPECT_EQ(second.value("id").toInt(), 200);
    EXPECT_TRUE(resultOf(first).value("ok").toBool());
    EXPECT_TRUE(resultOf(second).value("ok").toBool());
    EXPECT_EQ(database->translationCount(), 1);
}

// Two server processes on one database contend for real: SQLite through its file lock, PostgreSQL
// through its sessions.
class ConcurrencyAcrossServersTest : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (AppserverProcess* server : {&firstServer, &secondServer}) {
            server->setDatabaseUrl(database->url());
            ASSERT_TRUE(server->start()) << server->log().toStdString();
        }
        ASSERT_TRUE(a.connectTo(firstServer.port()));
        ASSERT_TRUE(b.connectTo(secondServer.port()));
        ASSERT_TRUE(a.open().contains("result"));
        ASSERT_TRUE(b.open().contains("result"));
    }

    // Reads the answers to `count` requests from each client; how many were applied.
    int appliedAnswers(int count) {
        int applied = 0;
        for (int i = 0; i < count; ++i) {
            for (RpcClient* client : {&a, &b}) {
                const QJsonObject answer = client->readMessage();
                EXPECT_TRUE(resultOf(answer).value("ok").toBool())
                    << QJsonDocument(answer).toJson().toStdString();
                applied += resultOf(answer).value("ok").toBool() ? 1 : 0;
            }
        }
        return applied;
    }

    AppserverProcess firstServer;
    AppserverProcess secondServer;
    RpcClient a;
    RpcClient b;
};
INSTANTIATE_FOR_EACH_STORAGE(ConcurrencyAcrossServersTest);

TEST_P(ConcurrencyAcrossServersTest, TheSameRowsSentThroughBothAreEachStoredOnce) {
    constexpr int kRows = 60;
    QByteArray batchA;
    QByteArray batchB;
    for (int i = 0; i < kRows; ++i) {
        batchA += insertRequest(i, {labelRow(i)});
        batchB += insertRequest(kRows - 1 - i, {labelRow(kRows - 1 - i)});
    }
    a.sendRaw(batchA);
    b.sendRaw(batchB);
    EXPECT_EQ(appliedAnswers(kRows), 2 * kRows);
    EXPECT_EQ(database->translationCount(), kRows);
}

TEST_P(ConcurrencyAcrossServersTest, DeltasWithTheSameRowsInOppositeOrdersAllSucceed) {
    // Each delta holds rows the other server's delta holds too, in the opposite order: writers
    // that locked rows one at a time would wait for each other here.
    constexpr int kDeltas = 20;
    constexpr int kRowsPerDelta = 8;
    QByteArray batchA;
    QByteArray batchB;
    for (int delta = 0; delta < kDeltas; ++delta) {
        QList<QJsonArray> forward;
        QList<QJsonArray> backward;
        for (int i = 0; i < kRowsPerDelta; ++i) {
            forward.append(labelRow(delta * kRowsPerDelta + i));
            backward.prepend(labelRow(delta * kRowsPerDelta + i));
        }
        batchA += insertRequest(delta, forward);
        batchB += insertRequest(delta, backward);
    }
    a.sendRaw(batchA);
    b.sendRaw(batchB);
    EXPECT_EQ(appliedAnswers(kDeltas), 2 * kDeltas);
    EXPECT_EQ(database->translationCount(), kDeltas * kRowsPerDelta);
}

TEST_P(ConcurrencyAcrossServersTest, AnUpdateRacingADeleteOfItsRowFailsCleanly) {
    const QJsonArray row = labelRow(1);
    const QJsonObject stored =
        resultOf(a.call("SetPropried", QJsonArray{translationDelta({insertChange(row)})}));
    ASSERT_TRUE(stored.value("ok").toBool());
    // One server changes the row while the other deletes it, many times over: each update
    // either finds the row or says it is not stored; nothing hangs or fails in the database.
    constexpr int kRounds = 30;
    for (int round = 0; round < kRounds; ++round) {
        const QJsonArray edited = withField(row, 7, QStringLiteral("round %1").arg(round));
        a.sendRaw(RpcClient::requestLine(round, "SetPropried",
                                         QJsonArray{translationDelta({updateChange(row, edited)})}));
        b.sendRaw(
            RpcClient::requestLine(round, "SetVerProp", QJsonArray{translationDelta({deleteChange(row)})}));
        const QJsonObject update = a.readMessage();
        const QJsonObject removal = b.readMessage();
        EXPECT_TRUE(resultOf(removal).value("ok").toBool()) << QJsonDocument(removal).toJson().toStdString();
        ASSERT_TRUE(update.contains("result")) << QJsonDocument(update).toJson().toStdString();
        if (!resultOf(update).value("ok").toBool()) {
            EXPECT_TRUE(resultOf(update).value("message").toString().contains("not stored"));
        }
        EXPECT_EQ(database->translationCount(), 0) << "the delete came before or after the update";
        // Put the row back for the next round.
        ASSERT_TRUE(resultOf(a.call("SetPropried", QJsonArray{translationDelta({insertChange(row)})}))
                        .value("ok")
                        .toBool());
    }
}
