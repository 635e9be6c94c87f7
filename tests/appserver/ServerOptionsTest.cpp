#include "appserver/commands/ServerOptions.h"

#include "appserver/commands/AdminCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The command line, read in-process: what each one asks for. StartupTest, LimitsTest and
// SecurityTest run the program itself for the exit statuses.

namespace {

struct OptionsCase {
    const char* name;
    QStringList arguments; // after the program's name
    ServerOptions::Request request;
    // A usage error's text holds this; a command's arguments, joined by '|', are this; empty for
    // serving.
    QString detail = {};
};

using Request = ServerOptions::Request;

std::vector<OptionsCase> cases() {
    return {
        {"NothingServes", {}, Request::Run, {}},
        {"HelpShowsTheHelp", {"--help"}, Request::ShowHelp, {}},
        {"HShowsTheHelp", {"-h"}, Request::ShowHelp, {}},
        {"ATokenIsRefusedNamingTheWayThatWorks",
         {"--token=s3cret"},
         Request::UsageError,
         "Unknown option 'token'. A token on the command line is visible to every user of the machine; use "
         "--token-file FILE or APPSERVER_TOKEN."},
        {"AnUnknownOptionIsBadUsage", {"--frobnicate"}, Request::UsageError, "Unknown option 'frobnicate'"},
        {"ABadListenAddressIsBadUsage",
         {"--listen", "127.0.0.1:notaport"},
         Request::UsageError,
         "--listen: "},
        {"ABadDatabaseUrlIsBadUsage",
         {"--database", "postgresql:///vdr"},
         Request::UsageError,
         "--database: "},
        {"ALimitOutOfRangeIsBadUsage",
         {"--max-connections", "0"},
         Request::UsageError,
         R"(--max-connections: "0" is not a whole number from 1 to 10000)"},
        {"AnEmptyTokenFileIsBadUsage",
         {"--token-file", ""},
         Request::UsageError,
         "--token-file: the path is empty"},
        {"LanguagesIsACommand", {"languages"}, Request::Run, "appserver languages"},
        {"ACommandTakesTheDatabaseGivenBeforeIt",
         {"--database", "sqlite:x", "languages", "add", "ITA", "Italiano"},
         Request::Run,
         "appserver languages|add|ITA|Italiano"},
        {"ACommandsOptionsAreItsOwn",
         {"export", "--format", "csv", "--database", "sqlite:x"},
         Request::Run,
         "appserver export|--format|csv|--database|sqlite:x"},
        {"ACommandHasItsOwnHelp", {"version", "--help"}, Request::Run, "appserver version|--help"},
        {"AServeOptionBeforeACommandIsBadUsage",
         {"--listen", "127.0.0.1:0", "version"},
         Request::UsageError,
         "--listen applies only when serving"},
        {"HalfATlsSetUpIsBadUsage",
         {"--tls-key", "/etc/vdr/key.pem"},
         Request::UsageError,
         "--tls-cert and --tls-key go together: give both to serve TLS, or neither"},
        {"AnEmptyTlsPathIsBadUsage",
         {"--tls-cert", "", "--tls-key", "/etc/vdr/key.pem"},
         Request::UsageError,
         "--tls-cert: the path is empty"},
        {"TlsBeforeACommandIsBadUsage",
         {"--tls-cert", "c.pem", "--tls-key", "k.pem", "stats"},
         Request::UsageError,
         "--tls-cert applies only when serving"},
        {"AnUnknownCommandIsBadUsage",
         {"frobnicate"},
         Request::UsageError,
         R"(unknown command "frobnicate")"},
    };
}

ServerOptions parse(const QStringList& arguments, const QProcessEnvironment& environment = {}) {
    return ServerOptions::parse(QStringList{"appserver"} + arguments, environment);
}

std::string caseName(const ::testing::TestParamInfo<OptionsCase>& param) {
    return param.param.name;
}

} // namespace

class ServerOptionsTest : public ::testing::TestWithParam<OptionsCase> {};
INSTANTIATE_TEST_SUITE_P(, ServerOptionsTest, ::testing::ValuesIn(cases()), caseName);

TEST_P(ServerOptionsTest, TellsWhatTheCommandLineAsks) {
    const OptionsCase& options = GetParam();
    const ServerOptions parsed = parse(options.arguments);
    EXPECT_EQ(parsed.request(), options.request) << parsed.usageError().toStdString();
    if (options.request == Request::UsageError) {
        EXPECT_TRUE(parsed.usageError().contains(options.detail)) << parsed.usageError().toStdString();
    } else if (options.request == Request::Run) {
        EXPECT_EQ(parsed.commandArguments().join('|'), options.detail);
        // The command the first argument names; none: serving.
        const QString command =
            parsed.command() ? "appserver " + QString::fromLatin1(parsed.command()->name) : "";
        EXPECT_EQ(command, options.detail.section('|', 0, 0));
    }
    if (options.request == Request::ShowHelp) {
        EXPECT_TRUE(parsed.helpText().contains("--listen"));
        EXPECT_TRUE(parsed.helpText().contains("21400"));
        for (const AdminCommandEntry& command : adminCommands())
            EXPECT_TRUE(parsed.helpText().contains(QStringLiteral("\n  %1 ").arg(command.name)) &&
                        parsed.helpText().contains(command.summary))
                << command.name;
    }
}

TEST(ServerOptionsValuesTest, ServeOptionsReplaceTheirDefaults) {
    const ServerOptions defaults = parse({});
    EXPECT_EQ(defaults.serve().listen.host, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(defaults.serve().listen.port, ListenAddress::kDefaultPort);
    EXPECT_FALSE(defaults.serve().database) << "the default location is found when serving";
    EXPECT_EQ(defaults.serve().limits.maxConnections, ServerLimits::kDefaultMaxConnections);
    EXPECT_TRUE(defaults.serve().tokenFile.isEmpty());
    EXPECT_FALSE(defaults.serve().environmentToken);

    QProcessEnvironment environment;
    environment.insert("APPSERVER_TOKEN", " env-s3cret ");
    const ServerOptions given =
        parse({"--listen", "0.0.0.0:0", "--database", "sqlite:/tmp/x.sqlite", "--token-file", "/tmp/token",
               "--max-message-bytes", "4096", "--max-connections", "3", "--idle-timeout", "0"},
              environment);
    ASSERT_EQ(given.request(), Request::Run) << given.usageError().toStdString();
    const ServeOptions& serve = given.serve();
    EXPECT_EQ(serve.listen.host, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(serve.listen.port, 0);
    ASSERT_TRUE(serve.database);
    EXPECT_EQ(serve.database->sqlitePath, "/tmp/x.sqlite");
    EXPECT_EQ(serve.tokenFile, "/tmp/token");
    EXPECT_EQ(serve.limits.maxMessageBytes, 4096);
    EXPECT_EQ(serve.limits.maxConnections, 3);
    EXPECT_EQ(serve.limits.idleTimeoutSeconds, 0);
    EXPECT_EQ(serve.environmentToken, " env-s3cret ") << "trimmed where it is loaded";

    // A service's environment file stands in for the options; an option given still wins.
    environment.insert("APPSERVER_LISTEN", "0.0.0.0:21500");
    environment.insert("APPSERVER_DATABASE", "sqlite:/var/lib/x.sqlite");
    environment.insert("APPSERVER_TOKEN_FILE", "/etc/token");
    const ServerOptions fromEnvironment = parse({"--listen", "127.0.0.1:0"}, environment);
    ASSERT_EQ(fromEnvironment.request(), Request::Run) << fromEnvironment.usageError().toStdString();
    EXPECT_EQ(fromEnvironment.serve().listen.port, 0);
    ASSERT_TRUE(fromEnvironment.serve().database);
    EXPECT_EQ(fromEnvironment.serve().database->sqlitePath, "/var/lib/x.sqlite");
    EXPECT_EQ(fromEnvironment.serve().tokenFile, "/etc/token");
    EXPECT_EQ(parse({"stats"}, environment).commandDatabase(), "sqlite:/var/lib/x.sqlite");
    environment.insert("APPSERVER_TOKEN_FILE", "");
    EXPECT_TRUE(parse({}, environment).serve().tokenFile.isEmpty()) << "empty in the file: no token file";
    environment.insert("APPSERVER_LISTEN", "nowhere");
    EXPECT_EQ(parse({}, environment).request(), Request::UsageError);
}

TEST(ServerOptionsValuesTest, TlsFilesComeFromTheOptionsOrTheEnvironment) {
    EXPECT_TRUE(parse({}).serve().tlsCertificateFile.isEmpty()) << "plain TCP unless told";

    const ServerOptions given = parse({"--tls-cert", "/etc/vdr/cert.pem", "--tls-key", "/etc/vdr/key.pem"});
    ASSERT_EQ(given.request(), Request::Run) << given.usageError().toStdString();
    EXPECT_EQ(given.serve().tlsCertificateFile, "/etc/vdr/cert.pem");
    EXPECT_EQ(given.serve().tlsKeyFile, "/etc/vdr/key.pem");

    QProcessEnvironment environment;
    environment.insert("APPSERVER_TLS_CERT", "/srv/cert.pem");
    environment.insert("APPSERVER_TLS_KEY", "/srv/key.pem");
    const ServerOptions fromEnvironment = parse({"--tls-cert", "/etc/vdr/cert.pem"}, environment);
    ASSERT_EQ(fromEnvironment.request(), Request::Run) << fromEnvironment.usageError().toStdString();
    EXPECT_EQ(fromEnvironment.serve().tlsCertificateFile, "/etc/vdr/cert.pem") << "the option wins";
    EXPECT_EQ(fromEnvironment.serve().tlsKeyFile, "/srv/key.pem");

    environment.insert("APPSERVER_TLS_KEY", "");
    EXPECT_EQ(parse({}, environment).request(), Request::UsageError) << "a certificate without a key";
    environment.insert("APPSERVER_TLS_CERT", "");
    EXPECT_TRUE(parse({}, environment).serve().tlsCertificateFile.isEmpty()) << "empty in the file: none";
}
