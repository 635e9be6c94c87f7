#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

// The commands speak the language of the user's locale: Portuguese under pt_BR, English otherwise,
// each text as the catalog built beside them gives it. The host's command line does too, while its
// windows stay Portuguese.
TEST(TheCommands, SpeakTheLanguageOfTheUsersLocale) {
    QTranslator portuguese;
    ASSERT_TRUE(portuguese.load(QStringLiteral("vdr04000_pt_BR"), QStringLiteral(CATALOG_DIRECTORY)));
    QTemporaryDir scratch;
    const QString missing = scratch.filePath(QStringLiteral("forms"));
    const struct {
        const char* program;
        QStringList arguments;
        const char* context;
        const char* source;
        QString argument;
    } commands[] = {
        {CAPTURE_PATH,
         {QStringLiteral("--language"), QStringLiteral("POR"), missing},
         "CaptureOptions",
         "%1 does not exist",
         missing},
        {APPSERVER_PATH,
         {QStringLiteral("bogus")},
         "ServerOptions",
         "unknown command \"%1\"",
         QStringLiteral("bogus")},
        {VDRHOST_PATH,
         {QStringLiteral("--server"), QStringLiteral("nowhere")},
         "HostOptions",
         "Invalid --server value \"%1\": expected HOST:PORT with a port from 1 to 65535.",
         QStringLiteral("nowhere")},
    };
    using Variables = std::vector<std::pair<const char*, QByteArray>>;
    const struct {
        Variables variables;
        bool portuguese;
    } locales[] = {
        {{{"LANG", "pt_BR.UTF-8"}}, true},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "pt_BR.UTF-8"}}, true},
        {{{"LANG", "en_US.UTF-8"}, {"LC_ALL", "pt_BR.UTF-8"}}, true},
        {{{"LANG", "pt_BR.UTF-8"}, {"LC_ALL", "C.UTF-8"}}, false},
        {{{"LANG", "en_US.UTF-8"}}, false},
        {{}, false},
    };
    // Without a display the host answers its command line and opens no window.
    const ScopedEnvironmentVariable noDisplay("DISPLAY", std::nullopt);
    const ScopedEnvironmentVariable noWayland("WAYLAND_DISPLAY", std::nullopt);
    const ScopedEnvironmentVariable noPlatform("QT_QPA_PLATFORM", std::nullopt);
    for (const auto& [variables, inPortuguese] : locales) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            environment.remove(QString::fromLatin1(name));
        QString named;
        for (const auto& [name, value] : variables) {
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
            named += QStringLiteral("%1=%2 ").arg(QString::fromLatin1(name), QString::fromLatin1(value));
        }
        for (const auto& [program, arguments, context, source, argument] : commands) {
            SCOPED_TRACE((named + QDir(QString::fromUtf8(program)).dirName()).toStdString());
            const QString text =
                inPortuguese ? portuguese.translate(context, source) : QString::fromUtf8(source);
            ASSERT_FALSE(text.isEmpty()) << "the catalog has no " << context << " text " << source;
            QProcess command;
            command.setProcessEnvironment(environment);
            command.start(QString::fromUtf8(program), arguments);
            ASSERT_TRUE(command.waitForFinished(30'000));
            EXPECT_EQ(command.exitCode(), 2);
            const QString said = QString::fromUtf8(command.readAllStandardError());
            EXPECT_TRUE(said.contains(text.arg(argument))) << said.toStdString();
        }
    }
}
