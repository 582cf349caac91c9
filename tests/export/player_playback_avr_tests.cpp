// The player sketch run on a simulated ATmega328P and ATmega2560 by a harness that records every
// write to the PWM compare register with its cycle: the samples must come out exactly, one per
// sample period, at each slot's own rate, and the output must rest at 128 before and after.
#include "CliTestSupport.h"
#include "PlayerKit.h"

#include "export/AdpcmSketch.h"
#include "export/Boards.h"
#include "export/ExportedSamples.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"
#include "slots/WorkingFolder.h"

#include <QDir>

#include <algorithm>

namespace wtb {
namespace {

using namespace test;

// From a working folder with slots at 8,000 and 16,384 Hz to the board: the file the shell's
// `export --player` writes is the player sketch of the folder's slots, and each slot comes out
// of the PWM register at its own rate.
TEST_F(PlayerSketch, TheShellsPlayerSketchPlaysEachSlotAtItsOwnRate) {
    const std::vector<SlotContent> slots = kitSlots(100);
    SlotBank bank = bankOf(slots, kOtherRate);
    bank[5].sampleRate = 16'384;
    ASSERT_TRUE(QDir().mkpath(folder_.file("kit")));
    saveWorkingFolder(bank, folder_.file("kit"));
    const ProgramRun run = runProgram(
        {"--folder", folder_.file("kit"), "export", "--player", "-o", folder_.file("out/Kit")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readText(folder_.file("out/Kit/Kit.ino")), playerUserSketchText());
    const std::string header = readText(folder_.file("out/Kit/Zozedovad.h"));
    ASSERT_EQ(header, buildPlayerHeaderText(buildSketchText(bank), playerRates(bank), {}));
    const QString elf = buildSketch(Board::Uno, header, "Shell");
    if (elf.isEmpty()) {
        return;
    }
    for (const PlayedSlot& played : {PlayedSlot{3, 240, kOtherRate}, PlayedSlot{5, 400, 16'384}}) {
        SCOPED_TRACE("slot " + std::to_string(played.slot));
        expectSlotPlays(kSimulatedUno, elf, slots, played);
        // "Play output" plays exportedSamples at the slot's rate: the levels the board wrote.
        const std::vector<std::uint8_t> output = exportedSamples(bank[played.slot], played.slot);
        EXPECT_EQ(std::vector<int>(output.begin(), output.end()),
                  expectedLevels(slots[static_cast<std::size_t>(played.slot - 1)]));
        EXPECT_EQ(bank[played.slot].sampleRate, played.rate);
    }
}

TEST_F(PlayerSketch, PlaysEachSlotAtItsOwnRateOnTheUno) {
    expectEverySlotPlays(kSimulatedUno, 100);
}

// Slots 1 and 2 fill the first array, so slot 3 plays from the second.
TEST_F(PlayerSketch, PlaysEachSlotAtItsOwnRateFromASplitTableOnTheMega) {
    expectEverySlotPlays(kSimulatedMega, 20'000);
}

// The player keeps its rates and strings in the first 64 KB of flash beside the largest table
// the Mega takes, whose last slot still plays right.
TEST_F(PlayerSketch, PlaysTheLastSlotOfTheLargestTableTheMegaTakes) {
    const PlayedSlot last{16, 240, kOtherRate};
    std::vector<std::int32_t> counts(15,
                                     (boardInfo(Board::Mega2560).sampleLimit - last.samples) / 15);
    counts.push_back(boardInfo(Board::Mega2560).sampleLimit - counts[0] * 15);
    const std::vector<SlotContent> slots = noiseSlots(counts);
    const QString elf = buildPlayer(Board::Mega2560, slots, "largest");
    if (!elf.isEmpty()) {
        expectSlotPlays(kSimulatedMega, elf, slots, last);
    }
}

// The ADPCM player decodes in its interrupt: every played slot comes out as the C++ decoder
// gives it, at its rate, and at 16,384 Hz the interrupt leaves at least 80 % of the CPU. The
// Mega's table is split in two arrays, slot 3 in the second; the Leonardo's only compiles.
TEST_F(PlayerSketch, AdpcmPlaysTheDecodedSamplesOnEveryBoard) {
    const struct {
        const SimulatedBoard* board;
        Board compiled;
        std::int32_t leading;
    } cases[] = {{&kSimulatedUno, Board::Uno, 100},
                 {nullptr, Board::Leonardo, 100},
                 {&kSimulatedMega, Board::Mega2560, 34'000}};
    for (const auto& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.compiled));
        const SlotBank bank = bankOf(kitSlots(each.leading));
        const AdpcmTable table =
            encodeAdpcmTable(bank, AdpcmSearch::LookAhead, each.compiled == Board::Mega2560);
        if (each.leading > 100) {
            EXPECT_GT(table.bytes.size(), 32'767u) << "the Mega's table must be split";
        }
        std::array<std::int32_t, 16> rates = kitRates();
        for (auto& rate : rates) {
            rate = std::min(rate, kAdpcmPlayerHighestRate);
        }
        EXPECT_THROW(buildPlayerHeaderText("", kitRates(), {SampleFormat::Adpcm4}), RuntimeError);
        const std::string text =
            buildPlayerHeaderText(buildAdpcmSketchText(bank, table), rates, {SampleFormat::Adpcm4});
        const QString name = "adpcm" + QString::number(static_cast<int>(each.compiled));
        const QString elf = buildSketch(each.compiled, text, name);
        if (elf.isEmpty() || each.board == nullptr) {
            continue;
        }
        const auto decoded = decodeAdpcmTable(table);
        for (PlayedSlot played : kPlayed) {
            played.rate = std::min(played.rate, kAdpcmPlayerHighestRate);
            SCOPED_TRACE("slot " + std::to_string(played.slot));
            const auto& samples = decoded[static_cast<std::size_t>(played.slot - 1)];
            const Recording recording = expectSlotPlays(
                *each.board, elf, played, std::vector<int>(samples.begin(), samples.end()),
                kAdpcmPlayerHighestRate);
            if (played.rate == 16'384) {
                reportCost(*each.board, recording, played.rate);
                if (each.compiled == Board::Uno) { // the Mega's split table costs it more
                    EXPECT_GE(cpuLeft(*each.board, recording, played.rate), 80.0);
                }
            }
        }
    }
}

} // namespace
} // namespace wtb
