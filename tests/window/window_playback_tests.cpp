// The Play button, heard through a private PulseAudio whose sink writes what it plays to a pipe.
#include "WindowTestSupport.h"
#include "export/AdpcmSketch.h"
#include "export/ExportedSamples.h"
#include "support/PrivateSoundServer.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PlayThroughTheWindow, ThePlayButtonSendsTheCurrentSlotsBytesToTheSoundServer) {
    test::PrivateSoundServer server; // before anything in the process talks to a sound server
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    Bytes sound(3000);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::uint8_t>(i % 2 ? 20 + i % 90 : 140 + i % 110);
    }
    slots[9].bytes = sound;
    slots[9].endIndex = 10; // the end index does not shorten playback
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(10);
    window.show();

    window.findChild<QPushButton*>("playButton")->click();
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    EXPECT_TRUE(test::labelText(window, "playingIndicator").contains("Playing"));
    EXPECT_TRUE(test::spinEventLoopUntil(
        [&] { return test::findBytes(server.capture(), sound).has_value(); }, 10000))
        << "the sink never received the slot's bytes";
    EXPECT_FALSE(test::findBytes(server.capture(), slots[0].bytes)) << "slot 1 was played";
    // The indicator goes when the sound has played out (3,000 samples at 8000 Hz), and Stop
    // takes it away at once.
    EXPECT_TRUE(test::spinEventLoopUntil(
        [&] { return test::labelText(window, "playingIndicator").isEmpty(); }, 5000));
    window.playSlot();
    EXPECT_FALSE(test::labelText(window, "playingIndicator").isEmpty());
    window.stopPlaying();
    EXPECT_TRUE(test::labelText(window, "playingIndicator").isEmpty());
}

TEST(PlayThroughTheWindow, PlayOutputSendsExactlyTheSamplesTheSketchHolds) {
    test::PrivateSoundServer server;
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    Bytes sound = test::randomSlots(3000, 5).front().bytes; // no stretch of it repeats
    slots[4] = {sound, "five.wav", 1999};
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(5);

    window.playOutput();
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    // Samples 0..1999 with the first and last on the zero line, and nothing after them.
    Bytes exported(sound.begin(), sound.begin() + 2000);
    exported.front() = exported.back() = 128;
    ASSERT_TRUE(test::spinEventLoopUntil(
        [&] { return test::findBytes(server.capture(), exported).has_value(); }, 10000))
        << "the sink never received the exported samples";
    const Bytes past(sound.begin() + 1999, sound.begin() + 2100);
    EXPECT_FALSE(test::findBytes(server.capture(), past)) << "samples past the end were played";
}

TEST(PlayThroughTheWindow, PlayOutputInAdpcmSendsTheSamplesTheBoardDecodes) {
    test::PrivateSoundServer server;
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[4] = {test::randomSlots(3000, 9).front().bytes, "five.wav", 2499};
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(5);
    window.setSampleFormat(SampleFormat::Adpcm4);
    const Slot& slot = window.workspace().slot(5);
    const Bytes decoded = previewAdpcm(slot, 5).samples;
    ASSERT_NE(decoded, exportedSamples(slot, 5)) << "random samples came back exactly";

    window.playOutput();
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    ASSERT_TRUE(test::spinEventLoopUntil(
        [&] { return test::findBytes(server.capture(), decoded).has_value(); }, 10000))
        << "the sink never received the decoded samples";
}

} // namespace
} // namespace wtb
