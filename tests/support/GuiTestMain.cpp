#include "messages/Messages.h"
#include "slots/SoundHeaderProbe.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Window tests get a QApplication, on the offscreen platform unless a test asks for a display.
int main(int argc, char** argv) {
    wtb::installMessages();
    wtb::answerHeaderProbeIfAsked(argc, argv); // before anything of the tests runs
    testing::InitGoogleTest(&argc, argv);
    // Preferences and per-user folders of this process alone: never the user's own, and never
    // those of a test running beside it.
    const QTemporaryDir home;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        qputenv(variable, (home.path() + "/" + variable).toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
