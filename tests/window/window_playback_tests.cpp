// The Play button, heard through a private PulseAudio whose sink writes what it plays to a pipe.
#include "WindowTestSupport.h"
#include "export/AdpcmSketch.h"
#include "export/ExportedSamples.h"
#include "support/PrivateSoundServer.h"

#include <QPushButton>
#include <QTest>

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

// The attack, then the loop joined to itself `repeats` times.
Bytes sustained(const Bytes& attack, const Bytes& loop, int repeats) {
    Bytes stream = attack;
    for (int k = 0; k < repeats; ++k) {
        stream.insert(stream.end(), loop.begin(), loop.end());
    }
    return stream;
}

TEST(PlayThroughTheWindow, PlayOutputHoldsTheLoopUntilEscapeAndPlayStillPlaysOnce) {
    test::PrivateSoundServer server;
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    const Bytes sound = test::randomSlots(3000, 17).front().bytes;
    SlotBank bank = test::bankOf(test::patternedSlots(100));
    bank[5] = test::makeSlot(sound, 2499, "five.wav", test::PrivateSoundServer::kRate);
    bank[5].loop = Loop{1000, 1336}; // 337 samples: no period of the server divides it
    test::LoadedWindow w(bank);
    MainWindow& window = *w.window;
    window.chooseSlot(5);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)); // for the shortcuts
    const auto capture = [&] { return server.capture(); };
    const auto heard = [&](const Bytes& bytes, std::size_t from = 0) {
        return test::findBytes(capture(), bytes, from).has_value();
    };

    // In each format: Ctrl+P plays the attack once and the loop over and over, sample for
    // sample as the board plays them, for seconds; Escape ends it.
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        SCOPED_TRACE(std::string(sampleFormatDisplayName(format)));
        window.setSampleFormat(format);
        const Slot& slot = window.workspace().slot(5);
        const Bytes board = format == SampleFormat::Adpcm4 ? previewAdpcm(slot, 5).samples
                                                           : exportedSamples(slot, 5);
        const Bytes attack(board.begin(), board.begin() + 1000);
        const Bytes loop(board.begin() + 1000, board.begin() + 1337);
        const Bytes held = sustained(attack, loop, 30); // about a second and a half

        QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
        ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return heard(held); }, 15000))
            << "the attack followed by the loop, repeated without a gap, was never heard";
        const Bytes tail(board.begin() + 1337, board.end());
        EXPECT_FALSE(heard(tail)) << "the part after the loop was played while it was held";

        QTest::keyClick(&window, Qt::Key_Escape);
        const std::size_t stoppedAt = capture().size();
        ASSERT_TRUE(test::spinEventLoopUntil(
            [&] { return capture().size() > stoppedAt + 2 * test::PrivateSoundServer::kRate; },
            5000));
        EXPECT_FALSE(heard(loop, stoppedAt + test::PrivateSoundServer::kRate))
            << "the loop went on after Escape";
    }

    // The Play button plays the slot's own samples once, loop or not.
    const std::size_t before = capture().size();
    window.findChild<QPushButton*>("playButton")->click();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return heard(sound, before); }, 10000))
        << "Play did not play the slot's samples";
    const std::size_t played = *test::findBytes(capture(), sound, before);
    ASSERT_TRUE(test::spinEventLoopUntil(
        [&] { return capture().size() > played + sound.size() + test::PrivateSoundServer::kRate; },
        5000));
    const Bytes loopOfSound(sound.begin() + 1000, sound.begin() + 1337);
    EXPECT_FALSE(heard(loopOfSound, played + sound.size())) << "Play repeated the loop";
}

// Ctrl+R lets the held loop go as the board does: the pass plays out, the tail follows, and
// the sound stops by itself.
TEST(PlayThroughTheWindow, ReleaseOutputPlaysTheLoopsPassThenTheTailAndEnds) {
    test::PrivateSoundServer server;
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    const Bytes sound = test::randomSlots(3000, 23).front().bytes;
    SlotBank bank = test::bankOf(test::patternedSlots(100));
    bank[4] = test::makeSlot(sound, 2499, "four.wav", test::PrivateSoundServer::kRate);
    bank[4].loop = Loop{1000, 1336};
    test::LoadedWindow w(bank);
    MainWindow& window = *w.window;
    window.chooseSlot(4);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)); // for the shortcuts
    const Bytes board = exportedSamples(window.workspace().slot(4), 4);
    const Bytes attack(board.begin(), board.begin() + 1000);
    const Bytes loop(board.begin() + 1000, board.begin() + 1337);
    const auto heard = [&](const Bytes& bytes) {
        return test::findBytes(server.capture(), bytes).has_value();
    };

    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier); // nothing held yet
    EXPECT_EQ(test::labelText(window, "lastNote"), "Nothing held");
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return heard(sustained(attack, loop, 3)); }, 15000));
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    Bytes released = loop; // the end of a pass, then the tail
    released.insert(released.end(), board.begin() + 1337, board.end());
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return heard(released); }, 15000))
        << "the tail after the loop was never heard";
    EXPECT_TRUE(test::spinEventLoopUntil(
        [&] { return test::labelText(window, "playingIndicator").isEmpty(); }, 10000))
        << "the released sound did not end by itself";
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

} // namespace
} // namespace wtb
