#include "tests/support/EnglishLocale.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The window tests need no display, whichever way the tests are started.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    useEnglishLocale();
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vdr"));
    QCoreApplication::setApplicationName(QStringLiteral("vdrhost"));

    // The host's settings file of this run lives and dies with the run, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settingsDirectory;
    if (!settingsDirectory.isValid())
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDirectory.path());

    return RUN_ALL_TESTS();
}
