// The computer's keys heard through a private PulseAudio whose sink writes what it plays to a
// pipe: a key held in the window reaches the speaker as the board's mix of its note.
#include "WindowTestSupport.h"
#include "export/VoiceMix.h"
#include "support/PrivateSoundServer.h"
#include "window/ComputerKeyboard.h"

#include <QTest>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ComputerKeysHeard, AHeldKeySendsItsNotesMixToTheSoundServer) {
    test::PrivateSoundServer server; // before anything in the process talks to a sound server
    if (const auto failure = server.start()) {
        GTEST_SKIP() << "no private sound server: " << *failure;
    }
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[0] = {test::randomSlots(2000, 7).front().bytes, "one.wav", 1999}; // no stretch repeats
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    ASSERT_TRUE(window.computerPiano()->isLive());
    QTest::keyPress(&window, Qt::Key_A); // C2: slot 1's default note
    // Before the note the mix is the zero line and its state never changes, so the bytes heard
    // from the key on are the reference's from its note on.
    VoiceMix reference(window.workspace().bank(), window.sampleFormat(), window.playerOptions(),
                       window.board());
    reference.noteOn(kFirstPianoBase, 127);
    Bytes expected(1500);
    for (std::uint8_t& sample : expected) {
        sample = reference.next();
    }
    EXPECT_TRUE(test::spinEventLoopUntil(
        [&] { return test::findBytes(server.capture(), expected).has_value(); }, 10000))
        << "the sink never received the note's mix";
    QTest::keyRelease(&window, Qt::Key_A);
    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(window.computerPiano()->isLive());
}

} // namespace
} // namespace wtb
