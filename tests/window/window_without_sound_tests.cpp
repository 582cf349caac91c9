// The Play button on a machine without sound output: its own executable, so pointing the sound
// clients at a server that does not exist reaches no other test.
#include "WindowTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wtb {
namespace {

TEST(PlayWithoutSound, StartsUpAndPlayShowsAClearMessageChangingNothing) {
    QTemporaryDir nowhere;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + nowhere.path() + "/pulse/native"));

    test::LoadedWindow w(test::patternedSlots(100));
    MainWindow& window = *w.window;
    window.chooseSlot(4);
    const std::int32_t endIndex = window.workspace().bank()[4].endIndex;
    window.playSlot();
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->at(0).startsWith("No sound output is available"))
        << w.errors->at(0).toStdString();
    EXPECT_EQ(window.currentSlot(), 4);
    EXPECT_EQ(window.workspace().bank()[4].endIndex, endIndex);

    window.playSlot(); // and again: the same message, no crash
    EXPECT_EQ(w.errors->size(), 2);
    EXPECT_TRUE(test::labelText(window, "playingIndicator").isEmpty()); // nothing plays
}

} // namespace
} // namespace wtb
