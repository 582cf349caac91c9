#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Tests that touch no widget run under a plain core application: its event loop carries
// playback and the file system needs nothing more.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    // Preferences and per-user folders go to a test location, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    return RUN_ALL_TESTS();
}
