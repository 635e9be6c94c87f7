#include "tests/appserver/ServerFixture.h"
#include "tests/appserver/TranslationRows.h"

#include <QSqlQuery>

// A PostgreSQL session the database ends (a restart, an administrator) costs the request that
// meets it, not the server: the next request runs on a new connection.

namespace {

// Ends every session on the test's database but the one asking, as a restarting server would, and
// waits until they are gone: a request sent before would otherwise still find its session.
int endServerSessions(const TestDatabase& database) {
    int ended = 0;
    database.withConnection([&ended](const QSqlDatabase& db) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity"
                                  " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
        while (query.next())
            ended += query.value(0).toBool() ? 1 : 0;
    });
    return ended;
}

} // namespace

// Only a database server can end a session.
class ReconnectTest : public ServerFixture {};
INSTANTIATE_TEST_SUITE_P(, ReconnectTest, ::testing::Values(StorageKind::Postgresql), storageKindName);

TEST_P(ReconnectTest, ARequestAfterTheDatabaseEndedTheSessionIsServedOnANewOne) {
    ASSERT_TRUE(resultOf(client.call("GetIdiLeDfm")).value("ok").toBool());
    ASSERT_GE(endServerSessions(*database), 1);

    // The request that meets the ended session fails, saying so on one line; none after it.
    const QJsonObject failed = client.call("GetIdiLeDfm");
    const QString message = failed.value("error").toObject().value("message").toString();
    EXPECT_EQ(failed.value("error").toObject().value("code").toInt(), -32603);
    EXPECT_TRUE(message.startsWith("the database failed: ")) << message.toStdString();
    EXPECT_FALSE(message.contains('\n')) << message.toStdString();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(resultOf(client.call("GetIdiLeDfm")).value("ok").toBool()) << "request " << i;

    // Ended again in the middle of a client's work: its writes go on after the one failure.
    ASSERT_GE(endServerSessions(*database), 1);
    RpcClient other;
    openClient(other);
    const QJsonObject duringLoss = other.call("SetPropried", QJsonArray{translationDelta({})});
    EXPECT_TRUE(duringLoss.contains("error"));
    EXPECT_TRUE(resultOf(other.call("SetPropried", QJsonArray{translationDelta({})})).value("ok").toBool());
    EXPECT_TRUE(server.isRunning());
}
