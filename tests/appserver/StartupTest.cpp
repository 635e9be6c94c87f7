#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"
#include "tests/appserver/TranslationRows.h"
#include "tests/support/database/TestDatabase.h"

#include "appserver/storage/Migrations.h"
#include "appserver/storage/SqlSupport.h"
#include "appserver/storage/TranslationKey.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <unistd.h>

// Starting, refusing to start, upgrading the schema and stopping.

namespace {

void expectRefusal(AppserverProcess& server, const char* reason) {
    EXPECT_FALSE(server.start());
    EXPECT_FALSE(server.isRunning());
    EXPECT_NE(server.exitCode(), 0);
    EXPECT_TRUE(server.log().contains(QLatin1String(reason))) << server.log().toStdString();
}

} // namespace

// The same on each storage kind, with the server on a new database of it.
class StartupOnStorageTest : public StorageKindTest {
protected:
    void SetUp() override {
        StorageKindTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server.setDatabaseUrl(database->url());
    }

    AppserverProcess server;
};
INSTANTIATE_FOR_EACH_STORAGE(StartupOnStorageTest);

TEST_P(StartupOnStorageTest, AnnouncesItsLoopbackAddressAndStopsCleanlyOnSigterm) {
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    EXPECT_EQ(server.listeningLine(),
              QStringLiteral("appserver listening on 127.0.0.1:%1").arg(server.port()));
    EXPECT_NE(server.port(), 0);
    EXPECT_TRUE(server.log().contains("loopback"));
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(server.stop(SIGTERM), 0);
    EXPECT_TRUE(server.log().contains("shutting down"));
    EXPECT_TRUE(client.waitForClosed());
}

TEST_P(StartupOnStorageTest, StopsCleanlyOnSigint) {
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    EXPECT_EQ(server.stop(SIGINT), 0);
}

TEST(StartupTest, RefusesADatabaseInAMissingDirectory) {
    AppserverProcess server;
    server.setDatabasePath(QDir(server.directory()).filePath("missing/appserver.sqlite"));
    expectRefusal(server, "does not exist");
}

TEST(StartupTest, RefusesAFileThatIsNotADatabase) {
    AppserverProcess server;
    QFile file(server.databasePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'z'));
    file.close();
    expectRefusal(server, "not a database");
}

TEST(StartupTest, RefusesADirectoryAsDatabase) {
    AppserverProcess server;
    ASSERT_TRUE(QDir().mkpath(server.databasePath()));
    expectRefusal(server, "is a directory");
}

TEST(StartupTest, RefusesADatabaseInADirectoryItCannotWrite) {
    AppserverProcess server;
    // Permission bits do not stop root; /proc takes no new files from anyone.
    if (::geteuid() == 0) {
        server.setDatabasePath("/proc/appserver-test.sqlite");
    } else {
        const QString locked = QDir(server.directory()).filePath("locked");
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        server.setDatabasePath(QDir(locked).filePath("appserver.sqlite"));
    }
    expectRefusal(server, "unable to open database file");
}

TEST_P(StartupOnStorageTest, RefusesASchemaNewerThanItKnows) {
    database->withConnection([](const QSqlDatabase& db) {
        migrate(db, latestSchemaVersion());
        runSql(db, "UPDATE schema_version SET version = 99");
    });
    expectRefusal(server, "newer");
}

TEST(StartupTest, RefusesAnAddressItCannotListenOn) {
    AppserverProcess first;
    ASSERT_TRUE(first.start()) << first.log().toStdString();
    AppserverProcess second;
    EXPECT_FALSE(second.start({"--listen", QStringLiteral("127.0.0.1:%1").arg(first.port())}));
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(second.log().contains("cannot listen")) << second.log().toStdString();

    const AppserverProcess::CommandResult bad = AppserverProcess::runRaw({"--listen", "127.0.0.1:notaport"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("--listen"));
}

TEST_P(StartupOnStorageTest, UpgradesAVersionOneDatabaseKeepingItsData) {
    database->withConnection([](const QSqlDatabase& db) {
        migrate(db, 1);
        ASSERT_EQ(schemaVersion(db), 1);
        runSql(db, "INSERT INTO languages (IDIDIOMA, DSIDIOMA, IDIPROP) VALUES (?, ?, ?)",
               {"ITA", "Italiano", "ITA"});
        TranslationRow row;
        row.program = "CLIENTE";
        row.form = "FRMCLIENTE";
        row.component = "LBLNOME";
        row.property = "CAPTION";
        row.value = "Nome";
        row.language = "ITA";
        runSql(db,
               "INSERT INTO translations (MATCHKEY, CDPROGRAMA, NMFORMULARIO, NMCOMPONENTE,"
               " NMPROPRIEDADE, NRVALORPROP, STVALORPROP, IDIDIOMA) VALUES (?, ?, ?, ?, ?, 0, ?, ?)",
               {TranslationKey::ofRow(row).matchKey(), row.program, row.form, row.component, row.property,
                row.value, row.language});
        // More rows of one program than an upgrade fills in at once, in several forms.
        runSql(db,
               "WITH RECURSIVE n (i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2500)"
               " INSERT INTO translations (MATCHKEY, CDPROGRAMA, NMFORMULARIO, NMCOMPONENTE, NMPROPRIEDADE,"
               " NRVALORPROP, STVALORPROP, IDIDIOMA) SELECT 'key' || i, 'Pedido', 'frmPedido' || (i % 3),"
               " 'LBL' || i, 'CAPTION', 0, 'Valor', 'POR' FROM n");
    });

    ASSERT_TRUE(server.start()) << server.log().toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    ASSERT_TRUE(client.open().contains("result"));
    const QJsonArray languages = rowsOf(client.call("GetIdiLeDfm"));
    ASSERT_EQ(languages.size(), 4);
    EXPECT_EQ(languages.at(3).toArray().at(0).toString(), "ITA") << "the list keeps its order";
    EXPECT_EQ(
        rowsOf(client.call("GetPropried", lookupArgs("CLIENTE", "frmCliente", "lblNome", "Nome", "ita")))
            .size(),
        1);
    EXPECT_EQ(rowsOf(client.call("GetProgramRows", QJsonArray{"cliente", "ita", ""})).size(), 1);
    const QJsonArray programRows = rowsOf(client.call("GetProgramRows", QJsonArray{"PEDIDO", "POR", ""}));
    ASSERT_EQ(programRows.size(), 2500);
    EXPECT_EQ(programRows.at(2499).toArray().at(2).toString(), "LBL2500");
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM translations WHERE PROGRAMKEY IS NULL"), 0);
    database->withConnection(
        [](const QSqlDatabase& db) { EXPECT_FALSE(db.record("translations").contains("FORMKEY")); });
    EXPECT_TRUE(server.log().contains("schema version 4"));

    const AppserverProcess::CommandResult added = server.runCommand({"languages", "add", "DEU", "Deutsch"});
    EXPECT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QJsonArray after = rowsOf(client.call("GetIdiLeDfm"));
    ASSERT_EQ(after.size(), 5);
    EXPECT_EQ(after.at(4).toArray().at(0).toString(), "DEU");
}

TEST(StartupTest, TheDefaultDatabaseIsCreatedInTheUsersDataDirectory) {
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", home.path());
    const AppserverProcess::CommandResult result = AppserverProcess::runRaw({"version"}, environment);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(home.path()).filePath("Vdr/appserver/appserver.sqlite")));
}

TEST_P(StartupOnStorageTest, ServersStartingTogetherOnANewDatabaseCreateTheSchemaOnce) {
    // Each migrates the empty database as it starts; they wait for each other instead of
    // creating the tables twice or failing.
    constexpr int kServers = 4;
    std::array<AppserverProcess, kServers> servers;
    for (AppserverProcess& each : servers) {
        each.setDatabaseUrl(database->url());
        ASSERT_TRUE(each.launch());
    }
    for (AppserverProcess& each : servers)
        ASSERT_TRUE(each.waitUntilListening()) << each.log().toStdString();

    std::array<RpcClient, kServers> clients;
    for (int i = 0; i < kServers; ++i) {
        ASSERT_TRUE(clients.at(i).connectTo(servers.at(i).port()));
        ASSERT_TRUE(clients.at(i).open().contains("result"));
        EXPECT_EQ(rowsOf(clients.at(i).call("GetIdiLeDfm")).size(), 3);
    }
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM schema_version"), 1);
    EXPECT_EQ(database->queryNumber("SELECT MAX(version) FROM schema_version"), latestSchemaVersion());
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM languages"), 3);
    EXPECT_EQ(database->queryNumber("SELECT COUNT(*) FROM version_record"), 1);
}

TEST(StartupOnPostgresqlTest, RefusesADatabaseNotEncodedInUtf8) {
    SKIP_UNLESS_AVAILABLE(StorageKind::Postgresql);
    const TestDatabase latin1(StorageKind::Postgresql, "LATIN1");
    AppserverProcess server;
    server.setDatabaseUrl(latin1.url());
    expectRefusal(server, "encoded in LATIN1");
}

TEST(StartupOnPostgresqlTest, RefusesAServerItCannotReach) {
    AppserverProcess server;
    server.setDatabaseUrl("postgresql://vdr@127.0.0.1:1/vdr");
    expectRefusal(server, "postgresql://vdr@127.0.0.1:1/vdr: connection to server");
}

TEST(StartupOnPostgresqlTest, RefusesAUrlWithoutHostOrDatabaseOrWithOptions) {
    for (const QString url : {"postgresql://vdr@127.0.0.1:5432", "postgresql:///vdr",
                              "postgresql://vdr@127.0.0.1/vdr?sslmode=require"}) {
        const AppserverProcess::CommandResult result = AppserverProcess::runRaw({"--database", url});
        EXPECT_EQ(result.exitCode, 2) << url.toStdString();
        EXPECT_TRUE(result.err.contains("--database")) << result.err.toStdString();
    }
}
