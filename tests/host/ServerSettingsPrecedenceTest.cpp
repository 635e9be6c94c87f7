#include "host/HostOptions.h"
#include "tests/support/ScopedEnvironment.h"

#include "components/ServerSettings.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <optional>

// The server address as the host puts it together: its settings file, then the environment,
// then its own command line.
namespace {

class ServerSettingsPrecedenceTest : public ::testing::Test {
protected:
    void SetUp() override { forgetEverything(); }
    void TearDown() override { ServerSettings::clearOverride(); }

    // Nothing saved and no command line, as each test and each row of a table starts.
    static void forgetEverything() {
        QSettings(QStringLiteral("Vdr"), QStringLiteral("vdrhost")).clear();
        ServerSettings::clearOverride();
    }

    static void applyCommandLine(const QStringList& arguments) {
        const HostOptions options = HostOptions::parse(QStringList{QStringLiteral("vdrhost")} + arguments);
        ASSERT_EQ(options.request(), HostOptions::Request::Run) << options.usageError().toStdString();
        options.applyServerOverride();
    }

    static void storeSettingsFile() {
        ServerSettings::store(
            {QStringLiteral("stored.example.org"), 4001, QStringLiteral("/etc/vdr/stored.token")});
    }

    ScopedEnvironmentVariable noHost_{ServerSettings::kHostVariable, std::nullopt};
    ScopedEnvironmentVariable noPort_{ServerSettings::kPortVariable, std::nullopt};
    ScopedEnvironmentVariable noTokenFile_{ServerSettings::kTokenFileVariable, std::nullopt};
    ScopedEnvironmentVariable noTls_{ServerSettings::kTlsVariable, std::nullopt};
    ScopedEnvironmentVariable noCaFile_{ServerSettings::kCaFileVariable, std::nullopt};
};

TEST_F(ServerSettingsPrecedenceTest, SettingsAreIsolatedFromTheUsersOwn) {
    const QString file = QSettings(QStringLiteral("Vdr"), QStringLiteral("vdrhost")).fileName();
    EXPECT_FALSE(file.startsWith(QDir::homePath())) << file.toStdString();
}

TEST_F(ServerSettingsPrecedenceTest, EachSourceOverridesTheOnesBeforeIt) {
    const struct {
        const char* name;
        bool settingsFile; // storeSettingsFile()
        std::optional<QByteArray> host;
        std::optional<QByteArray> port;
        std::optional<QByteArray> tokenFile;
        QStringList commandLine;
        ServerSettings::Address expected;
    } rows[] = {
        {"nothing saved: the default address",
         false,
         std::nullopt,
         std::nullopt,
         std::nullopt,
         {},
         {QString::fromLatin1(ServerSettings::kDefaultHost), ServerSettings::kDefaultPort, QString()}},
        {"the settings file when nothing overrides it",
         true,
         std::nullopt,
         std::nullopt,
         std::nullopt,
         {},
         {QStringLiteral("stored.example.org"), 4001, QStringLiteral("/etc/vdr/stored.token")}},
        // The token file is not in the environment, so the saved one stays in force.
        {"the environment over the settings file",
         true,
         "env.example.org",
         "4002",
         std::nullopt,
         {},
         {QStringLiteral("env.example.org"), 4002, QStringLiteral("/etc/vdr/stored.token")}},
        // --server names no token file, so the one from the environment stays in force.
        {"the command line over the environment and the settings file",
         true,
         "env.example.org",
         "4002",
         "/run/vdr/env.token",
         {QStringLiteral("--server=cli.example.org:4003")},
         {QStringLiteral("cli.example.org"), 4003, QStringLiteral("/run/vdr/env.token")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        forgetEverything();
        if (row.settingsFile)
            storeSettingsFile();
        ScopedEnvironmentVariable host(ServerSettings::kHostVariable, row.host);
        ScopedEnvironmentVariable port(ServerSettings::kPortVariable, row.port);
        ScopedEnvironmentVariable tokenFile(ServerSettings::kTokenFileVariable, row.tokenFile);
        applyCommandLine(row.commandLine);

        const ServerSettings::Address address = ServerSettings::effective();
        EXPECT_EQ(address.host, row.expected.host);
        EXPECT_EQ(address.port, row.expected.port);
        EXPECT_EQ(address.tokenFile, row.expected.tokenFile);
        // What the connection takes before every connect.
        EXPECT_EQ(WebURL(), row.expected.host);
        EXPECT_EQ(WebPort(), row.expected.port);
    }
}

TEST_F(ServerSettingsPrecedenceTest, CommandLineAddressIsNotSaved) {
    storeSettingsFile();
    applyCommandLine({QStringLiteral("--server=cli.example.org:4003")});
    EXPECT_EQ(ServerSettings::stored().host, QStringLiteral("stored.example.org"));
    EXPECT_EQ(ServerSettings::stored().port, 4001);
    EXPECT_EQ(
        QSettings(QStringLiteral("Vdr"), QStringLiteral("vdrhost")).value(QStringLiteral("server/host")),
        QStringLiteral("stored.example.org"));
}

TEST_F(ServerSettingsPrecedenceTest, ANewSaveShowsThroughWhenNothingOverridesIt) {
    storeSettingsFile();
    applyCommandLine({});
    ServerSettings::store({QStringLiteral("moved.example.org"), 4010, QString()});
    EXPECT_EQ(WebURL(), QStringLiteral("moved.example.org"));
    EXPECT_EQ(WebPort(), 4010);
}

TEST_F(ServerSettingsPrecedenceTest, TlsIsOffUnlessTheSettingsTheEnvironmentOrTheCommandLineTurnItOn) {
    applyCommandLine({});
    EXPECT_FALSE(ServerSettings::effective().tls);
    EXPECT_TRUE(ServerSettings::effective().caFile.isEmpty());

    ServerSettings::Address saved{QStringLiteral("stored.example.org"), 4001, QString()};
    saved.tls = true;
    saved.caFile = QStringLiteral("/etc/vdr/ca.pem");
    ServerSettings::store(saved);
    EXPECT_TRUE(ServerSettings::stored().tls);
    EXPECT_EQ(ServerSettings::effective().caFile, QStringLiteral("/etc/vdr/ca.pem"));
    {
        ScopedEnvironmentVariable off(ServerSettings::kTlsVariable, QByteArray("0"));
        EXPECT_FALSE(ServerSettings::effective().tls);
        // The command line wins over the environment.
        applyCommandLine({QStringLiteral("--tls")});
        EXPECT_TRUE(ServerSettings::effective().tls);
    }
}

TEST_F(ServerSettingsPrecedenceTest, ACaFileTurnsTlsOnUnlessTheSwitchSaysOtherwise) {
    {
        ScopedEnvironmentVariable ca(ServerSettings::kCaFileVariable, QByteArray("/run/vdr/ca.pem"));
        EXPECT_TRUE(ServerSettings::effective().tls);
        EXPECT_EQ(ServerSettings::effective().caFile, QStringLiteral("/run/vdr/ca.pem"));
        ScopedEnvironmentVariable off(ServerSettings::kTlsVariable, QByteArray("off"));
        EXPECT_FALSE(ServerSettings::effective().tls);
    }
    // Anything but an explicit "off" keeps TLS on: a misspelt switch must not send the token in clear.
    for (const char* value : {"1", "yes", "TRUE", "enable"}) {
        ScopedEnvironmentVariable on(ServerSettings::kTlsVariable, QByteArray(value));
        EXPECT_TRUE(ServerSettings::effective().tls) << value;
    }

    QTemporaryFile caFile;
    ASSERT_TRUE(caFile.open());
    applyCommandLine({QStringLiteral("--ca-file"), caFile.fileName()});
    EXPECT_TRUE(ServerSettings::effective().tls) << "--ca-file implies --tls";
    EXPECT_EQ(ServerSettings::effective().caFile, caFile.fileName());

    const HostOptions missing =
        HostOptions::parse({QStringLiteral("vdrhost"), QStringLiteral("--ca-file=/nonexistent/ca.pem")});
    EXPECT_EQ(missing.request(), HostOptions::Request::UsageError);
    EXPECT_TRUE(missing.usageError().contains(QStringLiteral("/nonexistent/ca.pem")));
}

} // namespace
