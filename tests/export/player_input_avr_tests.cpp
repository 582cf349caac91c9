// What starts the player's sounds on a simulated ATmega328P: the serial line's commands, a new
// one replacing the sound playing, and the user's own sketch calling the player.
#include "PlayerKit.h"

#include "export/ExportedSamples.h"

namespace wtb {
namespace {

using namespace test;

// Slot 5 asked for while another slot plays: that one stops where it is and slot 5 plays whole,
// at its own rate, starting at once even where the slower sound's timer had counted past slot
// 5's period.
TEST_F(PlayerSketch, ANewCommandReplacesTheSoundPlaying) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const QString elf = buildPlayer(Board::Uno, slots, "replace");
    if (elf.isEmpty()) {
        return;
    }
    const std::vector<int> slot5 = expectedLevels(slots[4]);
    for (std::int16_t first : {3, 9}) {
        SCOPED_TRACE("slot " + std::to_string(first) + ", then slot 5");
        const Recording recording =
            runPlayerHarness(kSimulatedUno, elf, 60, {{5, std::to_string(first)}, {20, "5"}});
        ASSERT_EQ(recording.commands.size(), 2u);
        const std::vector<int> replaced =
            expectedLevels(slots[static_cast<std::size_t>(first - 1)]);
        const std::vector<Write> after = recording.writesFrom(recording.commands[0]);
        ASSERT_GT(after.size(), slot5.size() + 1);
        const std::size_t cut = after.size() - slot5.size() - 1;
        EXPECT_GT(cut, 0u);
        EXPECT_LT(cut, replaced.size()) << "the first sound must not have finished";
        for (std::size_t k = 0; k < cut && k < replaced.size(); ++k) {
            EXPECT_EQ(after[k].level, replaced[k]) << "the first sound's sample " << k;
        }
        const std::vector<Write> second(after.begin() + static_cast<std::ptrdiff_t>(cut),
                                        after.end());
        expectPlayedAtRate(recording.commands[1], second, slot5, 16'384);
    }
}

// Only a line holding a slot number plays; after lines that do not, the next good one still does.
TEST_F(PlayerSketch, LinesThatAreNoSlotNumberPlayNothing) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const QString elf = buildPlayer(Board::Uno, slots, "lines");
    if (elf.isEmpty()) {
        return;
    }
    const Recording recording =
        runPlayerHarness(kSimulatedUno, elf, 60,
                         {{5, "0"}, {7, "17"}, {9, "x3"}, {11, "3 "}, {13, "1000"}, {15, "3"}});
    ASSERT_EQ(recording.commands.size(), 6u);
    for (const Write& write : recording.writes) {
        if (write.cycle < recording.commands.back()) {
            EXPECT_EQ(write.level, 128) << "a write at cycle " << write.cycle;
        }
    }
    expectPlayedAtRate(recording.commands.back(), recording.writesFrom(recording.commands.back()),
                       expectedLevels(slots[2]), 8'000);
}

// The user's own setup() and loop() in place of the demo: the header gives them the player.
TEST_F(PlayerSketch, PlaysFromTheUsersOwnSketch) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const std::string own = "#include \"Zozedovad.h\"\n"
                            "void setup() {\n  Zozedovad_Begin();\n  Serial.begin(115200);\n}\n"
                            "void loop() {\n  if (Serial.read() == 'x') Zozedovad_Play(3);\n}\n";
    const QString elf = buildSketch(
        Board::Uno, buildPlayerHeaderText(tableText(slots), kitRates(), {}), "Own", own);
    if (elf.isEmpty()) {
        return;
    }
    const Recording recording = runPlayerHarness(kSimulatedUno, elf, 400, {{100, "x"}});
    ASSERT_EQ(recording.commands.size(), 1u);
    std::vector<int> levels;
    for (const std::uint8_t sample : exportedSamples(bankOf(slots, kOtherRate)[3], 3)) {
        levels.push_back(sample);
    }
    expectPlayedAtRate(recording.commands[0], recording.writesFrom(recording.commands[0]), levels,
                       kitRates()[2]);
}

} // namespace
} // namespace wtb
