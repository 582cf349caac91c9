#include "PlayerHarness.h"

#include <gtest/gtest.h>

namespace wtb::test {
namespace {

// The harness's lines as the player and mixer tests read them: every kind in one parser, the
// harness's own complaints and blank lines skipped, and the interrupt's figures left at zero
// when the run timed none.
TEST(PlayerRecording, ReadsEveryKindOfLineTheHarnessPrints) {
    const struct {
        const char* what;
        const char* output;
        std::vector<std::uint64_t> commands;
        std::vector<std::pair<std::uint64_t, int>> writes;
        long isrCount;
        double isrMean;
        long isrWorst;
        int endLevel;
    } cases[] = {
        {"a player's run",
         "write 12 128\ncommand 80000 3\nwrite 96000 17\nwrite 98000 255\n"
         "isr 2 61.5 70\nend 120000 128\n",
         {80000},
         {{12, 128}, {96000, 17}, {98000, 255}},
         2,
         61.5,
         70,
         128},
        {"a mixer's run, a raw command with spaces and a button",
         "command 16000 raw:31250:90 3C 7F\ncommand 32000 pin:D:4:0\nwrite 33000 0\n"
         "isr 9000 410.2 512\nend 900000 140\n",
         {16000, 32000},
         {{33000, 0}},
         9000,
         410.2,
         512,
         140},
        {"no interrupt timed, a complaint and blank lines between",
         "\nwrite 5 128\nplayer_pwm_harness: a note\n\nend 10 128\n",
         {},
         {{5, 128}},
         0,
         0,
         0,
         128},
        {"nothing printed", "", {}, {}, 0, 0, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Recording recording = parseRecording(c.output);
        EXPECT_EQ(recording.commands, c.commands);
        ASSERT_EQ(recording.writes.size(), c.writes.size());
        for (std::size_t k = 0; k < c.writes.size(); ++k) {
            EXPECT_EQ(recording.writes[k].cycle, c.writes[k].first) << k;
            EXPECT_EQ(recording.writes[k].level, c.writes[k].second) << k;
        }
        EXPECT_EQ(recording.isrCount, c.isrCount);
        EXPECT_DOUBLE_EQ(recording.isrMean, c.isrMean);
        EXPECT_EQ(recording.isrWorst, c.isrWorst);
        EXPECT_EQ(recording.endLevel, c.endLevel);
    }
}

// The writes a command's sound starts from, and the levels as the mixer compares them.
TEST(PlayerRecording, WritesFromACycleAndTheirLevels) {
    const Recording recording = parseRecording("write 10 128\nwrite 20 3\nwrite 30 250\n");
    const struct {
        std::uint64_t from;
        std::size_t first;
    } cases[] = {{0, 0}, {10, 0}, {11, 1}, {20, 1}, {30, 2}, {31, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        const std::vector<Write> after = recording.writesFrom(c.from);
        ASSERT_EQ(after.size(), recording.writes.size() - c.first);
        if (!after.empty()) {
            EXPECT_EQ(after.front().cycle, recording.writes[c.first].cycle);
        }
    }
    EXPECT_EQ(recording.levels(), (std::vector<std::uint8_t>{128, 3, 250}));
}

} // namespace
} // namespace wtb::test
