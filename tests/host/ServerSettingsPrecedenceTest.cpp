#include "host/HostOptions.h"
#include "tests/support/ScopedEnvironment.h"

#include "components/ServerSettings.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryFile>

#include <gtest/gtest.h>

// The server address as the host puts it together: its settings file, then the environment,
// then its own command line.
namespace {

class ServerSettingsPrecedenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Vdr"), QStringLiteral("vdrhost")).clear();
        ServerSettings::clearOverride();
    }
    void TearDown() override { ServerSettings::clearOverride(); }

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

TEST_F(ServerSettingsPrecedenceTest, NothingSavedMeansTheDefaultAddress) {
    applyCommandLine({});
    const ServerSettings::Address address = ServerSettings::effective();
    EXPECT_EQ(address.host, QString::fromLatin1(ServerSettings::kDefaultHost));
    EXPECT_EQ(address.port, ServerSettings::kDefaultPort);
    EXPECT_TRUE(address.tokenFile.isEmpty());
}

TEST_F(ServerSettingsPrecedenceTest, SettingsFileIsUsedWhenNothingOverridesIt) {
    storeSettingsFile();
    applyCommandLine({});
    EXPECT_EQ(WebURL(), QStringLiteral("stored.example.org"));
    EXPECT_EQ(WebPort(), 4001);
    EXPECT_EQ(ServerSettings::effective().tokenFile, QStringLiteral("/etc/vdr/stored.token"));
}

TEST_F(ServerSettingsPrecedenceTest, EnvironmentOverridesTheSettingsFile) {
    storeSettingsFile();
    ScopedEnvironmentVariable host(ServerSettings::kHostVariable, QByteArray("env.example.org"));
    ScopedEnvironmentVariable port(ServerSettings::kPortVariable, QByteArray("4002"));
    applyCommandLine({});
    EXPECT_EQ(WebURL(), QStringLiteral("env.example.org"));
    EXPECT_EQ(WebPort(), 4002);
}

TEST_F(ServerSettingsPrecedenceTest, CommandLineOverridesEnvironmentAndSettingsFile) {
    storeSettingsFile();
    ScopedEnvironmentVariable host(ServerSettings::kHostVariable, QByteArray("env.example.org"));
    ScopedEnvironmentVariable port(ServerSettings::kPortVariable, QByteArray("4002"));
    ScopedEnvironmentVariable tokenFile(ServerSettings::kTokenFileVariable, QByteArray("/run/vdr/env.token"));
    applyCommandLine({QStringLiteral("--server=cli.example.org:4003")});
    EXPECT_EQ(WebURL(), QStringLiteral("cli.example.org"));
    EXPECT_EQ(WebPort(), 4003);
    // --server names no token file, so the one from the environment stays in force.
    EXPECT_EQ(ServerSettings::effective().tokenFile, QStringLiteral("/run/vdr/env.token"));
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
