#include "messages/ImportNoteText.h"

#include <gtest/gtest.h>

namespace wtb {
namespace {

// Each note of an import reads as the sentence the user has always read, naming the file.
TEST(ImportNoteText, EachNoteReadsAsItsSentence) {
    using enum ImportNoteKind;
    const auto mode = [](FileLoopMode loop) { return static_cast<std::int64_t>(loop); };
    const struct {
        ImportNote note;
        const char* sentence;
    } cases[] = {
        {{LoopNotForward, {{"mode", mode(FileLoopMode::Alternating)}, {"file", "m.wav"}}},
         "\"m.wav\" has a ping-pong loop, which a slot cannot play: only forward loops are taken, "
         "so it came in without a loop."},
        {{LoopNotForward, {{"mode", mode(FileLoopMode::Other)}, {"file", "m.wav"}}},
         "\"m.wav\" has an unknown kind of loop, which a slot cannot play: only forward loops are "
         "taken, so it came in without a loop."},
        {{LoopNamesNoMarker, {{"file", "m.aif"}}},
         "The loop of \"m.aif\" names a marker the file does not hold, so it came in without a "
         "loop."},
        {{LoopHoldsNoFrame, {{"start", 5}, {"end", 4}, {"file", "m.aif"}}},
         "The loop of \"m.aif\" (frames 5 to 4) holds no frame: it ends where it starts (an "
         "AIFF's begin and end markers at the same frame), so it came in without a loop."},
        {{LoopEndsBeforeStart, {{"start", 300}, {"end", 200}, {"file", "m.wav"}}},
         "The loop of \"m.wav\" (frames 300 to 200) ends before it starts, so it came in without "
         "a loop."},
        {{LoopOutsideFrames, {{"start", 9000}, {"end", 9100}, {"frames", 8000}, {"file", "m.wav"}}},
         "The loop of \"m.wav\" (frames 9000 to 9100) does not lie within its 8000 frames, so it "
         "came in without a loop."},
        {{LoopLostAtRate, {{"start", 101}, {"end", 101}, {"rate", 1000}, {"file", "m.wav"}}},
         "The loop of \"m.wav\" (frames 101 to 101) is lost at 1000 Hz: converted to that rate, it "
         "would hold less than one sample or begin after the sound's last sample, so it came in "
         "without a loop."},
        {{SeveralLoops, {{"start", 100}, {"end", 399}, {"loops", 3}, {"file", "m.wav"}}},
         "\"m.wav\" has 3 loops; its slot takes the first forward one (frames 100 to 399)."},
        {{SeamJumps, {{"jump", 40}, {"file", "m.wav"}}},
         "The loop of \"m.wav\" jumps 40 levels at its seam; setting the loop again looks further "
         "for a seamless join."},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(importNoteText(each.note), each.sentence);
    }
}

} // namespace
} // namespace wtb
