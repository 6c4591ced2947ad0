#include <QGuiApplication>
#include <gtest/gtest.h>

// Painting reports needs fonts, hence a GUI application: on the offscreen
// platform unless another is asked for, so that no display is needed.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
