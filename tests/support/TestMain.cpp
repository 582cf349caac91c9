#include <QApplication>

#include <gtest/gtest.h>

// Every test binary gets a QApplication, so window tests and sound tests share one main.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen"); // headless unless a test asks for a display
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
