#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Window tests get a QApplication, on the offscreen platform unless a test asks for a display.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Preferences and per-user folders go to a test location, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    return RUN_ALL_TESTS();
}
