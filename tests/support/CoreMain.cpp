#include "tests/support/EnglishLocale.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The plain classes' tests: an event loop for sockets and timers, no screen and no widgets.
int main(int argc, char** argv) {
    useEnglishLocale();
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
