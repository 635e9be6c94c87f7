#include <QCoreApplication>

#include <gtest/gtest.h>

// Qt SQL and the sockets want an application object, even for tests that run no event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
