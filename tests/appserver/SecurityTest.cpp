#include "tests/appserver/AppserverProcess.h"
#include "tests/appserver/RpcClient.h"
#include "tests/appserver/TranslationRows.h"

#include "appserver/net/ListenAddress.h"
#include "appserver/rpc/AccessToken.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <optional>

// Who may connect and open: the loopback default, the token and where it may come from.

namespace {

const QString kServerName = QStringLiteral("Vdr04000.rdmImpPocket");

QString writeFile(const AppserverProcess& server, const QString& name, const QByteArray& content,
                  QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner) {
    const QString path = QDir(server.directory()).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    file.setPermissions(permissions);
    return path;
}

QJsonObject openWithToken(RpcClient& client, const QString& token) {
    return client.call(QStringLiteral("rpc.open"), QJsonObject{{QStringLiteral("serverName"), kServerName},
                                                               {QStringLiteral("token"), token}});
}

// Sets an environment variable for the servers started while it lives.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            previous_ = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (previous_)
            qputenv(name_, *previous_);
        else
            qunsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> previous_;
};

QJsonObject stampDelta() {
    return versionDelta({updateChange(QJsonArray{QJsonValue::Null}, QJsonArray{"2026-03-04T05:06:07.000"})});
}

QJsonValue versionStamp(RpcClient& client) {
    const QJsonArray rows = rowsOf(client.call(QStringLiteral("GetVersao")));
    return rows.isEmpty() ? QJsonValue(QJsonValue::Undefined) : rows.at(0).toArray().at(0);
}

// Missing, wrong, then right token on one connection; nothing runs before the right one.
void expectTokenRequired(const AppserverProcess& server, const QString& token) {
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(errorCode(client.call("GetIdiLeDfm")), -32002);

    const QJsonObject missing = client.open();
    EXPECT_EQ(errorCode(missing), -32001);
    EXPECT_FALSE(QJsonDocument(missing).toJson().contains(token.toUtf8())) << "the refusal shows the token";
    EXPECT_EQ(errorCode(client.call("GetIdiLeDfm")), -32002);

    const QJsonObject wrong = openWithToken(client, token + "x");
    EXPECT_EQ(errorCode(wrong), -32001);
    EXPECT_FALSE(QJsonDocument(wrong).toJson().contains(token.toUtf8())) << "the refusal shows the token";
    EXPECT_EQ(errorCode(client.call("GetIdiLeDfm")), -32002);

    const QJsonObject right = openWithToken(client, token);
    EXPECT_EQ(resultOf(right).value("serverName").toString(), kServerName);
    EXPECT_EQ(rowsOf(client.call("GetIdiLeDfm")).size(), 3);
}

} // namespace

TEST(SecurityTest, WithoutATokenAnyClientMayOpen) {
    AppserverProcess server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    RpcClient plain;
    ASSERT_TRUE(plain.connectTo(server.port()));
    EXPECT_TRUE(plain.open().contains("result"));
    EXPECT_EQ(rowsOf(plain.call("GetIdiLeDfm")).size(), 3);

    // A client configured with a token may still talk to a server that asks for none.
    RpcClient withToken;
    ASSERT_TRUE(withToken.connectTo(server.port()));
    EXPECT_TRUE(openWithToken(withToken, "anything").contains("result"));
    EXPECT_TRUE(server.log().contains("no token required"));
}

TEST(SecurityTest, ATokenFromAFileIsRequiredAndNoMethodRunsWithoutIt) {
    AppserverProcess server;
    const QString path = writeFile(server, "token", "  file-s3cret-long-enough\n");
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    expectTokenRequired(server, "file-s3cret-long-enough");

    // A write sent before a successful open is refused and leaves the data as it was, while the
    // same write after it goes through.
    RpcClient intruder;
    ASSERT_TRUE(intruder.connectTo(server.port()));
    EXPECT_EQ(errorCode(intruder.call("SetVersao", QJsonArray{stampDelta()})), -32002);
    EXPECT_EQ(errorCode(openWithToken(intruder, "guess")), -32001);
    EXPECT_EQ(errorCode(intruder.call("SetVersao", QJsonArray{stampDelta()})), -32002);

    RpcClient owner;
    ASSERT_TRUE(owner.connectTo(server.port()));
    ASSERT_TRUE(openWithToken(owner, "file-s3cret-long-enough").contains("result"));
    EXPECT_TRUE(versionStamp(owner).isNull());
    EXPECT_TRUE(resultOf(owner.call("SetVersao", QJsonArray{stampDelta()})).value("ok").toBool());
    EXPECT_EQ(versionStamp(owner).toString(), "2026-03-04T05:06:07.000");

    const QString log = server.log();
    EXPECT_TRUE(log.contains("requires the token from the file")) << log.toStdString();
    EXPECT_TRUE(log.contains("missing or wrong token"));
    EXPECT_FALSE(log.contains("file-s3cret-long-enough")) << "the log shows the token";
    EXPECT_FALSE(log.contains("readable by other users"));
}

TEST(SecurityTest, ATokenFromTheEnvironmentIsRequired) {
    const ScopedEnvironment token("APPSERVER_TOKEN", " env-s3cret-long-enough ");
    AppserverProcess server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    expectTokenRequired(server, "env-s3cret-long-enough");
    EXPECT_TRUE(server.log().contains("requires the token from APPSERVER_TOKEN"));
    EXPECT_FALSE(server.log().contains("env-s3cret-long-enough")) << "the log shows the token";
}

TEST(SecurityTest, TheTokenFileOutranksTheEnvironment) {
    const ScopedEnvironment token("APPSERVER_TOKEN", "env-s3cret-long-enough");
    AppserverProcess server;
    const QString path = writeFile(server, "token", "file-s3cret-long-enough");
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(errorCode(openWithToken(client, "env-s3cret-long-enough")), -32001);
    EXPECT_TRUE(openWithToken(client, "file-s3cret-long-enough").contains("result"));
}

TEST(SecurityTest, ATokenOfAnyCharactersMustMatchExactly) {
    AppserverProcess server;
    const QString token = QStringLiteral("pässwörd-€-7-long-enough");
    const QString path = writeFile(server, "token", token.toUtf8() + "\r\n");
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    RpcClient client;
    ASSERT_TRUE(client.connectTo(server.port()));
    EXPECT_EQ(errorCode(openWithToken(client, token.toUpper())), -32001);
    EXPECT_EQ(errorCode(openWithToken(client, token.chopped(1))), -32001);
    EXPECT_TRUE(openWithToken(client, token).contains("result"));
}

TEST(SecurityTest, ThreeRefusedTokensCloseTheConnection) {
    AppserverProcess server;
    const QString path = writeFile(server, "token", "s3cret-long-enough");
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();

    // Two refusals leave room for the right token.
    RpcClient mistyping;
    ASSERT_TRUE(mistyping.connectTo(server.port()));
    EXPECT_EQ(errorCode(openWithToken(mistyping, "s3crte-long-enough")), -32001);
    EXPECT_EQ(errorCode(openWithToken(mistyping, "s3cert-long-enough")), -32001);
    EXPECT_TRUE(openWithToken(mistyping, "s3cret-long-enough").contains("result"));

    // Guesses sent all at once: the third refusal ends the connection, and the guesses behind it,
    // the right one included, are never tried.
    RpcClient guessing;
    ASSERT_TRUE(guessing.connectTo(server.port()));
    QByteArray guesses;
    for (const char* guess : {"a", "b", "c", "s3cret-long-enough"})
        guesses +=
            RpcClient::requestLine(1, "rpc.open", QJsonObject{{"serverName", kServerName}, {"token", guess}});
    guesses += RpcClient::requestLine(2, "GetIdiLeDfm", QJsonArray());
    guessing.sendRaw(guesses);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(errorCode(guessing.readMessage()), -32001) << "refusal " << i + 1;
    EXPECT_TRUE(guessing.readMessage().isEmpty()) << "a request after the third refusal was answered";
    EXPECT_TRUE(guessing.waitForClosed());

    // The server goes on for everyone else.
    RpcClient later;
    ASSERT_TRUE(later.connectTo(server.port()));
    EXPECT_TRUE(openWithToken(later, "s3cret-long-enough").contains("result"));
    EXPECT_TRUE(mistyping.call("GetVersao").contains("result"));
}

TEST(SecurityTest, TheTokenIsNeverTakenFromTheCommandLine) {
    AppserverProcess server;
    for (const QStringList& arguments : {QStringList{"--token", "s3cret"}, QStringList{"--token=s3cret"}}) {
        const AppserverProcess::CommandResult result = AppserverProcess::runRaw(
            QStringList{"--listen", "127.0.0.1:0", "--database", server.databaseUrl()} + arguments);
        EXPECT_EQ(result.exitCode, 2) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains("Unknown option 'token'")) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains("--token-file")) << "the refusal names the way that works";
        EXPECT_TRUE(result.out.isEmpty()) << "it listened";
    }
}

TEST(SecurityTest, AnUnusableTokenRefusesToStart) {
    const struct {
        QByteArray content;
        const char* reason;
    } files[] = {{"", "is empty"},
                 {" \t\r\n ", "is empty"},
                 {QByteArray(64 * 1024 + 1, 'k'), "is larger than"},
                 {"k", "openssl rand -base64 32 >"},
                 {" fifteen-chars-x \n", "has 15 characters, fewer than 16"}};
    for (const auto& file : files) {
        AppserverProcess server;
        EXPECT_FALSE(server.start({"--token-file", writeFile(server, "token", file.content)}));
        EXPECT_EQ(server.exitCode(), 1);
        EXPECT_TRUE(server.log().contains(file.reason)) << server.log().toStdString();
    }

    AppserverProcess missing;
    EXPECT_FALSE(missing.start({"--token-file", QDir(missing.directory()).filePath("absent")}));
    EXPECT_EQ(missing.exitCode(), 1);
    EXPECT_TRUE(missing.log().contains("cannot read the token file")) << missing.log().toStdString();

    AppserverProcess directory;
    EXPECT_FALSE(directory.start({"--token-file", directory.directory()}));
    EXPECT_EQ(directory.exitCode(), 1);

    {
        const ScopedEnvironment blank("APPSERVER_TOKEN", "   ");
        AppserverProcess server;
        EXPECT_FALSE(server.start());
        EXPECT_EQ(server.exitCode(), 1);
        EXPECT_TRUE(server.log().contains("APPSERVER_TOKEN holds only blanks")) << server.log().toStdString();
    }
    {
        const ScopedEnvironment shortToken("APPSERVER_TOKEN", "s3cret");
        AppserverProcess server;
        EXPECT_FALSE(server.start());
        EXPECT_EQ(server.exitCode(), 1);
        EXPECT_TRUE(server.log().contains("the token in APPSERVER_TOKEN has 6 characters"))
            << server.log().toStdString();
    }

    // An empty path, as an unset shell variable gives, must not mean "no token".
    AppserverProcess server;
    const AppserverProcess::CommandResult emptyPath = AppserverProcess::runRaw(
        {"--listen", "127.0.0.1:0", "--database", server.databaseUrl(), "--token-file", ""});
    EXPECT_EQ(emptyPath.exitCode, 2) << emptyPath.err.toStdString();
    EXPECT_TRUE(emptyPath.out.isEmpty()) << "it listened";
}

TEST(SecurityTest, ATokenFileOthersCanReadIsWarnedAbout) {
    AppserverProcess server;
    const QString path = writeFile(server, "token", "s3cret-long-enough",
                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    ASSERT_TRUE(server.start({"--token-file", path})) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains("warning: the token file")) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains("readable by other users"));
}

TEST(SecurityTest, TheServerSaysItIsLoopbackOnly) {
    EXPECT_TRUE(ListenAddress().host.isLoopback()) << "the default address";
    EXPECT_EQ(ListenAddress().host, QHostAddress(QHostAddress::LocalHost));

    AppserverProcess server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    EXPECT_EQ(server.listeningLine(),
              QStringLiteral("appserver listening on 127.0.0.1:%1").arg(server.port()));
    const QString log = server.log();
    EXPECT_TRUE(log.contains(QStringLiteral("listening on 127.0.0.1:%1, loopback only").arg(server.port())))
        << log.toStdString();
    EXPECT_FALSE(log.contains("reachable from other machines"));
}

TEST(SecurityTest, ListeningBeyondLoopbackIsAWarning) {
    AppserverProcess server;
    // The later --listen wins; the test only listens there and talks over loopback.
    ASSERT_TRUE(server.start({"--listen", "0.0.0.0:0"})) << server.log().toStdString();
    EXPECT_EQ(server.listeningLine(), QStringLiteral("appserver listening on 0.0.0.0:%1").arg(server.port()));
    const QString log = server.log();
    EXPECT_TRUE(log.contains(
        QStringLiteral("warning: listening on 0.0.0.0:%1, reachable from other machines").arg(server.port())))
        << log.toStdString();
    EXPECT_TRUE(log.contains("no token is required"));
    EXPECT_FALSE(log.contains("loopback only"));
}

TEST(AccessTokenTest, AcceptsExactlyTheToken) {
    const AccessToken token(QStringLiteral("s3cret"));
    EXPECT_TRUE(token.isRequired());
    EXPECT_TRUE(token.accepts(QStringLiteral("s3cret")));
    for (const char* other : {"", "s3cre", "s3cret ", " s3cret", "S3CRET", "s3cret\n", "s3crex", "s3crets"})
        EXPECT_FALSE(token.accepts(QString::fromUtf8(other))) << '"' << other << '"';

    const AccessToken none;
    EXPECT_FALSE(none.isRequired());
    EXPECT_TRUE(none.accepts(QString()));
    EXPECT_TRUE(none.accepts(QStringLiteral("anything")));
}
