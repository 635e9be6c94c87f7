#include "tests/support/EnglishLocale.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Widget tests never need a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    useEnglishLocale();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
