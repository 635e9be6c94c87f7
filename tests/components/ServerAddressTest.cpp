#include "components/NetConnection.h"
#include "components/ServerSettings.h"
#include "toolkit/Exceptions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

// Whether a client may send its token without TLS: decided from the host it is given, never by
// reaching out to it; and a token file that is not a regular file fails the connect at once.

namespace {

struct PlainTextCase {
    const char* name;
    const char* host;
    bool hasToken;
    bool tls;
    bool plainTextMeant;
    bool refused;
};

std::vector<PlainTextCase> plainTextCases() {
    return {
        {"LoopbackV4", "127.0.0.1", true, false, false, false},
        {"LoopbackV4AnywhereInTheNet", "127.45.0.9", true, false, false, false},
        {"LoopbackV6", "::1", true, false, false, false},
        {"LoopbackV6InBrackets", "[::1]", true, false, false, false},
        {"Localhost", "localhost", true, false, false, false},
        {"LocalhostAnyCase", "LocalHost", true, false, false, false},
        {"LocalhostWithItsRootDotGoesToDns", "localhost.", true, false, false, true},
        {"LoopbackV4WithADot", "127.0.0.1.", true, false, false, true},
        {"LocalhostWithTwoDots", "localhost..", true, false, false, true},
        {"AnotherMachineByAddress", "192.0.2.10", true, false, false, true},
        {"AnotherMachineByV6Address", "2001:db8::1", true, false, false, true},
        {"AnotherMachineByName", "server.example", true, false, false, true},
        {"ANameThatMerelyStartsLikeLocalhost", "localhost.example", true, false, false, true},
        {"AllAddressesIsNotLoopback", "0.0.0.0", true, false, false, true},
        {"EmptyHost", "", true, false, false, true},
        {"WithTls", "192.0.2.10", true, true, false, false},
        {"WithoutAToken", "192.0.2.10", false, false, false, false},
        {"PlainTextMeant", "192.0.2.10", true, false, true, false},
    };
}

struct EnvironmentCase {
    const char* name;
    const char* plainText; // VDR_SERVER_PLAINTEXT; nullptr: unset
    bool meant;
};

std::vector<EnvironmentCase> environmentCases() {
    return {
        {"Unset", nullptr, false}, {"One", "1", true},   {"Yes", "YES", true},        {"On", " on ", true},
        {"Zero", "0", false},      {"Empty", "", false}, {"Misspelt", "ture", false},
    };
}

template <typename Case> std::string caseName(const ::testing::TestParamInfo<Case>& param) {
    return param.param.name;
}

const char* const kVariables[] = {ServerSettings::kHostVariable,      ServerSettings::kPortVariable,
                                  ServerSettings::kTokenFileVariable, ServerSettings::kTlsVariable,
                                  ServerSettings::kCaFileVariable,    ServerSettings::kPlainTextVariable};

} // namespace

class ServerAddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* variable : kVariables)
            qunsetenv(variable);
        ServerSettings::clearOverride();
    }
    void TearDown() override { SetUp(); }
};

class PlainTextDecisionTest : public ServerAddressTest,
                              public ::testing::WithParamInterface<PlainTextCase> {};
INSTANTIATE_TEST_SUITE_P(, PlainTextDecisionTest, ::testing::ValuesIn(plainTextCases()),
                         caseName<PlainTextCase>);

TEST_P(PlainTextDecisionTest, RefusesOnlyAClearTokenThatMayLeaveTheMachine) {
    const PlainTextCase& c = GetParam();
    const QString refusal =
        ServerSettings::plainTextRefusal(QString::fromLatin1(c.host), c.hasToken, c.tls, c.plainTextMeant);
    EXPECT_EQ(!refusal.isEmpty(), c.refused) << refusal.toStdString();
    if (c.refused) {
        // says how to turn TLS on, and how to mean plain text
        for (const char* hint :
             {"--tls", "VDR_SERVER_TLS", "Usar TLS", "--plain-text", "VDR_SERVER_PLAINTEXT"})
            EXPECT_TRUE(refusal.contains(QLatin1String(hint))) << hint;
    }
}

class PlainTextSettingTest : public ServerAddressTest,
                             public ::testing::WithParamInterface<EnvironmentCase> {};
INSTANTIATE_TEST_SUITE_P(, PlainTextSettingTest, ::testing::ValuesIn(environmentCases()),
                         caseName<EnvironmentCase>);

TEST_P(PlainTextSettingTest, OnlyAnExplicitYesMeansPlainText) {
    if (GetParam().plainText)
        qputenv(ServerSettings::kPlainTextVariable, GetParam().plainText);
    EXPECT_EQ(ServerSettings::effective().plainText, GetParam().meant);
    // the command line has the last word
    ServerSettings::setOverride({.plainText = !GetParam().meant});
    EXPECT_EQ(ServerSettings::effective().plainText, !GetParam().meant);
}

TEST_F(ServerAddressTest, AConnectWithAClearTokenOffTheMachineSendsNothing) {
    QTemporaryDir dir;
    const QString tokenFile = dir.filePath(QStringLiteral("token"));
    QFile file(tokenFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789abcdef0123\n");
    file.close();
    qputenv(ServerSettings::kTokenFileVariable, tokenFile.toLocal8Bit());
    ServerSettings::setOverride({.host = QStringLiteral("192.0.2.10"), .tls = false});

    TNetConnection connection;
    connection.ServerName = QStringLiteral("Test.Server");
    connection.Timeout = 2000;
    // 192.0.2.0/24 is for documentation: nothing answers there, and nothing must be tried.
    connection.BeforeConnect = [](TNetConnection& c) { c.SetHost(WebURL()); };
    QElapsedTimer elapsed;
    elapsed.start();
    try {
        connection.Open();
        FAIL() << "connected";
    } catch (const ESocketError& error) {
        EXPECT_TRUE(error.message().contains(QLatin1String("clear text"))) << error.message().toStdString();
    }
    EXPECT_LT(elapsed.elapsed(), 1000) << "it tried to connect";
}

TEST_F(ServerAddressTest, ATokenFileThatIsAFifoFailsTheConnectAtOnce) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("token"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    qputenv(ServerSettings::kTokenFileVariable, fifo.toLocal8Bit());

    TNetConnection connection;
    connection.ServerName = QStringLiteral("Test.Server");
    bool sent = false;
    connection.transport = [&sent](const QByteArray&) {
        sent = true;
        return QByteArray();
    };
    try {
        connection.Open();
        FAIL() << "opened";
    } catch (const ESocketError& error) {
        EXPECT_TRUE(error.message().contains(QLatin1String("not a regular file")))
            << error.message().toStdString();
    }
    EXPECT_FALSE(sent);
}
