#include "ServerFixture.h"
#include "TranslationRows.h"

// Two people capturing the same forms at once: both succeed, each row is stored once.

namespace {

QByteArray insertRequest(qint64 id, const QJsonArray& row) {
    return RpcClient::requestLine(id, "SetPropried", QJsonArray{translationDelta({insertChange(row)})});
}

} // namespace

class ConcurrencyTest : public ServerFixture {};

TEST_F(ConcurrencyTest, TwoClientsInsertingTheSameRowBothSucceed) {
    RpcClient other;
    openClient(other);
    const QJsonArray row = captionRow("CLIENTE", "FRMCLIENTE", "LBLNOME", "Nome");
    // Both requests are on their way before either answer is read.
    client.sendRaw(insertRequest(100, row));
    other.sendRaw(insertRequest(200, row));
    const QJsonObject first = client.readMessage();
    const QJsonObject second = other.readMessage();
    EXPECT_EQ(first.value("id").toInt(), 100);
    EXPECT_EQ(second.value("id").toInt(), 200);
    EXPECT_TRUE(resultOf(first).value("ok").toBool());
    EXPECT_TRUE(resultOf(second).value("ok").toBool());
    EXPECT_EQ(storedTranslationCount(server.databasePath()), 1);
}

TEST(ConcurrencyAcrossServersTest, TwoServersOnOneDatabaseStoreEachRowOnce) {
    // Two processes on one SQLite file contend for real: WAL, busy_timeout and the unique key.
    ServerProcess firstServer;
    ServerProcess secondServer;
    secondServer.setDatabasePath(firstServer.databasePath());
    ASSERT_TRUE(firstServer.start()) << firstServer.log().toStdString();
    ASSERT_TRUE(secondServer.start()) << secondServer.log().toStdString();

    RpcClient a;
    RpcClient b;
    ASSERT_TRUE(a.connectTo(firstServer.port()));
    ASSERT_TRUE(b.connectTo(secondServer.port()));
    ASSERT_TRUE(a.open().contains("result"));
    ASSERT_TRUE(b.open().contains("result"));

    constexpr int kRows = 60;
    QByteArray batchA;
    QByteArray batchB;
    for (int i = 0; i < kRows; ++i) {
        const QJsonArray row = captionRow("CLIENTE", "FRMCLIENTE", QStringLiteral("LBL%1").arg(i),
                                          QStringLiteral("Texto %1").arg(i));
        batchA += insertRequest(i, row);
        batchB += insertRequest(kRows - 1 - i, captionRow("CLIENTE", "FRMCLIENTE",
                                                          QStringLiteral("LBL%1").arg(kRows - 1 - i),
                                                          QStringLiteral("Texto %1").arg(kRows - 1 - i)));
    }
    a.sendRaw(batchA);
    b.sendRaw(batchB);
    int applied = 0;
    for (int i = 0; i < kRows; ++i) {
        applied += resultOf(a.readMessage()).value("ok").toBool() ? 1 : 0;
        applied += resultOf(b.readMessage()).value("ok").toBool() ? 1 : 0;
    }
    EXPECT_EQ(applied, 2 * kRows);
    EXPECT_EQ(storedTranslationCount(firstServer.databasePath()), kRows);
}
