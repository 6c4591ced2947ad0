#include <QCoreApplication>
#include <gtest/gtest.h>

// The link engine's channels are QObjects: the tests run inside a core
// application, as zmkctl does.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
