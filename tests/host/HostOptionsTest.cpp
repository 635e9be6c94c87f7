#include "host/HostOptions.h"
#include "host/ModuleLoader.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

HostOptions parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("vdrhost"));
    return HostOptions::parse(arguments);
}

class HostOptionsTest : public ::testing::Test {
protected:
    ScopedEnvironmentVariable noModulePath_{HostOptions::kModulePathVariable, std::nullopt};
};

TEST_F(HostOptionsTest, WithoutArgumentsRunsWithDefaults) {
    const HostOptions options = parse({});
    EXPECT_EQ(options.request(), HostOptions::Request::Run);
    EXPECT_FALSE(options.captureAtStart());
    EXPECT_FALSE(options.server().host.has_value());
    EXPECT_FALSE(options.server().port.has_value());
    EXPECT_EQ(options.moduleLibraryPath(), ModuleLoader::defaultLibraryPath());
}

#ifdef REAL_MODULE_FILE
TEST_F(HostOptionsTest, DefaultModuleLibraryIsWhereTheBuildPutsTheModuleBesideTheExecutable) {
    // The build tree is laid out as an installation: bin/ beside the programs' library directory.
    EXPECT_EQ(ModuleLoader::defaultLibraryPath(),
              QFileInfo(QStringLiteral(REAL_MODULE_FILE)).absoluteFilePath());
    EXPECT_FALSE(ModuleLoader::defaultLibraryPath().contains(QStringLiteral("..")));
}
#endif

TEST_F(HostOptionsTest, CaptureAsksForTheCaptureWindowAtStartUp) {
    EXPECT_TRUE(parse({QStringLiteral("--capture")}).captureAtStart());
}

TEST_F(HostOptionsTest, ServerGivesHostAndPortOfNamesAndIpAddressesOverTheWholePortRange) {
    const struct {
        QStringList arguments;
        QString host;
        int port;
    } cases[] = {
        {{QStringLiteral("--server"), QStringLiteral("vdr.example.org:4100")},
         QStringLiteral("vdr.example.org"),
         4100},
        {{QStringLiteral("--server=10.0.0.5:1")}, QStringLiteral("10.0.0.5"), 1},
        {{QStringLiteral("--server"), QStringLiteral("[::1]:65535")}, QStringLiteral("::1"), 65535},
    };
    for (const auto& [arguments, host, port] : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const HostOptions options = parse(arguments);
        ASSERT_EQ(options.request(), HostOptions::Request::Run) << options.usageError().toStdString();
        EXPECT_EQ(options.server().host, host);
        EXPECT_EQ(options.server().port, port);
    }
}

class MalformedServerTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MalformedServerTest, IsAUsageErrorQuotingTheValue) {
    const QString value = QString::fromUtf8(GetParam());
    const HostOptions options = parse({QStringLiteral("--server"), value});
    EXPECT_EQ(options.request(), HostOptions::Request::UsageError);
    EXPECT_TRUE(options.usageError().contains(QLatin1Char('"') + value + QLatin1Char('"')))
        << options.usageError().toStdString();
    EXPECT_TRUE(options.usageError().contains(QStringLiteral("HOST:PORT")));
    EXPECT_FALSE(options.server().host.has_value());
}

INSTANTIATE_TEST_SUITE_P(HostOptions, MalformedServerTest,
                         ::testing::Values("vdrserver", "vdrserver:", ":4100", "vdrserver:0",
                                           "vdrserver:65536", "vdrserver:41a", "vdr server:4100",
                                           "user@vdrserver:4100", "vdrserver:4100/path", "::1:4100", ""));

TEST_F(HostOptionsTest, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
    const HostOptions unknown = parse({QStringLiteral("--sever=a:1")});
    EXPECT_EQ(unknown.request(), HostOptions::Request::UsageError);
    EXPECT_TRUE(unknown.usageError().contains(QStringLiteral("sever")));

    const HostOptions stray = parse({QStringLiteral("capture")});
    EXPECT_EQ(stray.request(), HostOptions::Request::UsageError);
    EXPECT_TRUE(stray.usageError().contains(QStringLiteral("capture")));

    EXPECT_EQ(parse({QStringLiteral("--server")}).request(), HostOptions::Request::UsageError);
    EXPECT_EQ(parse({QStringLiteral("--module=")}).request(), HostOptions::Request::UsageError);
}

TEST_F(HostOptionsTest, HelpAndVersionAreRequestsOfTheirOwn) {
    const HostOptions help = parse({QStringLiteral("--help"), QStringLiteral("--server=bad")});
    EXPECT_EQ(help.request(), HostOptions::Request::ShowHelp);
    for (const char* option : {"--capture", "--server", "--module", "--version", "VDR_MODULE_PATH"})
        EXPECT_TRUE(help.helpText().contains(QString::fromLatin1(option))) << option;

    EXPECT_EQ(parse({QStringLiteral("--help-all")}).request(), HostOptions::Request::ShowHelp);
    EXPECT_EQ(parse({QStringLiteral("--version")}).request(), HostOptions::Request::ShowVersion);
}

TEST_F(HostOptionsTest, ModulePathComesFromOptionThenEnvironment) {
    ScopedEnvironmentVariable environment(HostOptions::kModulePathVariable,
                                          QByteArray("/opt/vdr/env/libmodule.so"));
    EXPECT_EQ(parse({}).moduleLibraryPath(), QStringLiteral("/opt/vdr/env/libmodule.so"));
    EXPECT_EQ(parse({QStringLiteral("--module"), QStringLiteral("/opt/vdr/option/libmodule.so")})
                  .moduleLibraryPath(),
              QStringLiteral("/opt/vdr/option/libmodule.so"));
}

TEST_F(HostOptionsTest, EmptyModulePathVariableCountsAsUnset) {
    ScopedEnvironmentVariable environment(HostOptions::kModulePathVariable, QByteArray());
    EXPECT_EQ(parse({}).moduleLibraryPath(), ModuleLoader::defaultLibraryPath());
}

TEST_F(HostOptionsTest, RelativeModulePathIsTakenFromTheWorkingDirectory) {
    EXPECT_EQ(parse({QStringLiteral("--module=lib/libmodule.so")}).moduleLibraryPath(),
              QDir::current().absoluteFilePath(QStringLiteral("lib/libmodule.so")));
}

} // namespace

// Without a display the host still answers its command line, and a run says what to use instead.
TEST(HostWithoutDisplay, AnswersHelpVersionAndUsageAndNamesTheCaptureCommandForARun) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    const struct {
        QStringList arguments;
        int exitCode;
        QString says;
    } cases[] = {
        {{QStringLiteral("--help")}, 0, QStringLiteral("--server")},
        {{QStringLiteral("--version")}, 0, QStringLiteral("vdrhost ")},
        {{QStringLiteral("--bogus")}, 2, QStringLiteral("vdrhost --help")},
        {{}, 1, QStringLiteral("run 'capture'")},
    };
    for (const auto& [arguments, exitCode, says] : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(QStringLiteral(VDRHOST_PATH), arguments);
        ASSERT_TRUE(host.waitForFinished(30000));
        const QString output = QString::fromUtf8(host.readAllStandardOutput() + host.readAllStandardError());
        EXPECT_EQ(host.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(host.exitCode(), exitCode) << output.toStdString();
        EXPECT_TRUE(output.contains(says)) << output.toStdString();
    }
}
