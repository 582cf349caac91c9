// The player's sustain loops on a simulated ATmega328P and ATmega2560: the attack, the loop pass
// after pass and, once released, the tail, in both formats.
#include "PlayerKit.h"

#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/LoopedOutput.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"

#include <algorithm>
#include <optional>

namespace wtb {
namespace {

using namespace test;

// Sustain loops. A kit whose slot 3 loops from the middle of an ADPCM block over the next block
// boundary, slot 5 loops over the whole slot (its first and last sample kept, as a single cycle
// is) and slot 7 has no loop. Each format's player must play the attack, the loop pass after
// pass, sample for sample as loopedOutput says, and on the letter r finish the pass, play the
// tail and rest.
struct LoopedSlot {
    std::int16_t slot;
    std::int32_t samples;
    std::int32_t rate;
    std::optional<Loop> loop;
    int releaseMs; // after the command; 0: no release sent
};

constexpr std::int32_t kBlock = kAdpcmBlockSamples;
const LoopedSlot kLooped[] = {
    {3, 420, 8'000, Loop{kBlock + 38, 2 * kBlock + 52}, 80},
    {5, 256, 16'384, Loop{0, 255}, 40},
    {7, 300, 8'000, std::nullopt, 0},
};

SlotBank loopedKit() {
    std::vector<std::int32_t> counts(16, 30);
    for (const LoopedSlot& looped : kLooped) {
        counts[static_cast<std::size_t>(looped.slot - 1)] = looped.samples;
    }
    std::vector<SlotContent> slots = noiseSlots(counts);
    // The whole-slot loop's ends well off the zero line, so a table that put them there shows.
    slots[4].bytes.front() = 30;
    slots[4].bytes.back() = 220;
    SlotBank bank = bankOf(slots, kOtherRate);
    for (const LoopedSlot& looped : kLooped) {
        bank[looped.slot].sampleRate = looped.rate;
        bank[looped.slot].loop = looped.loop;
    }
    return bank;
}

class LoopingPlayer : public PlayerSketch {
protected:
    // The player sketch of the bank in `format` for `board` as the export writes it (the Mega's
    // table guarded against "!!!"), built warning-free. The guard must have changed nothing, so
    // the board plays what loopedOutput gives.
    QString buildLoopingPlayer(Board board, const SlotBank& bank, SampleFormat format,
                               const QString& name) {
        const BoardSketchText table = buildSketchText(bank, board, format);
        EXPECT_EQ(table.changedBytes, 0);
        return buildSketch(
            board,
            buildPlayerHeaderText(table.text, playerRates(bank), {format, anySlotLoops(bank)}),
            name);
    }

    static AdpcmTable adpcmTableOf(const SlotBank& bank) {
        return encodeAdpcmTable(bank, AdpcmSearch::LookAhead, false);
    }

    // Plays the slot, sends r `releaseMs` later (if any), and holds the writes to the preview
    // played with as many passes as the release allowed: at least three, the release taking
    // effect at the first turn after it.
    Recording expectLoopPlays(const SimulatedBoard& board, const QString& elf,
                              const LoopedSlot& looped, const LoopedOutput& preview) {
        const int commandMs = 5;
        std::vector<std::pair<int, std::string>> commands{{commandMs, std::to_string(looped.slot)}};
        if (looped.releaseMs > 0) {
            commands.push_back({commandMs + looped.releaseMs, "r"});
        }
        const int soundMs =
            looped.releaseMs + static_cast<int>(1000 * preview.played(1).size() /
                                                static_cast<std::size_t>(looped.rate));
        const Recording recording =
            runPlayerHarness(board, elf, commandMs + soundMs + 20, commands);
        if (recording.commands.size() != commands.size()) {
            ADD_FAILURE() << "the commands were not typed";
            return recording;
        }
        const std::vector<Write> writes = recording.writesFrom(recording.commands[0]);
        std::int32_t passes = 1;
        if (looped.loop) {
            const auto straight = preview.attack.size() + preview.tail.size() + 1;
            EXPECT_GT(writes.size(), straight);
            const auto looping = writes.size() - std::min(writes.size(), straight);
            EXPECT_EQ(looping % preview.loop.size(), 0u) << "a pass cut short";
            passes = static_cast<std::int32_t>(looping / preview.loop.size());
            EXPECT_GE(passes, 3) << "the loop must repeat before the release";
            const std::size_t lastPass = preview.attack.size() + (passes - 1) * preview.loop.size();
            const std::size_t tail = lastPass + preview.loop.size();
            if (passes >= 1 && tail < writes.size()) {
                EXPECT_LT(writes[lastPass].cycle, recording.commands[1] + kCommandLatency)
                    << "the loop turned back once more after the release";
                EXPECT_GT(writes[tail].cycle, recording.commands[1])
                    << "the sound left its loop before the release";
            }
        }
        std::vector<int> levels;
        for (std::uint8_t sample : preview.played(std::max(passes, 1))) {
            levels.push_back(sample);
        }
        expectPlayedAtRate(recording.commands[0], writes, levels, looped.rate);
        EXPECT_EQ(recording.endLevel, 128);
        return recording;
    }

    // Every looped slot of the kit in the format's player on the simulated Uno; the interrupt's
    // cost while slot 5 loops at 16,384 Hz is printed for the README.
    void expectEveryLoopPlays(SampleFormat format) {
        const SlotBank bank = loopedKit();
        const QString elf = buildLoopingPlayer(Board::Uno, bank, format, "looping");
        if (elf.isEmpty()) {
            return;
        }
        std::optional<std::array<std::vector<std::uint8_t>, 16>> decoded;
        if (format == SampleFormat::Adpcm4) {
            decoded = decodeAdpcmTable(adpcmTableOf(bank));
        }
        for (const LoopedSlot& looped : kLooped) {
            SCOPED_TRACE("slot " + std::to_string(looped.slot));
            const LoopedOutput preview = loopedOutput(bank[looped.slot], looped.slot, format);
            if (decoded) { // the preview is what this table decodes to
                EXPECT_EQ(preview.played(1), (*decoded)[static_cast<std::size_t>(looped.slot - 1)]);
            }
            if (looped.slot == 5) {
                EXPECT_NE(preview.loop.front(), 128);
                EXPECT_NE(preview.loop.back(), 128);
            }
            const Recording recording = expectLoopPlays(kSimulatedUno, elf, looped, preview);
            const std::int32_t highest =
                format == SampleFormat::Adpcm4 ? kAdpcmPlayerHighestRate : kPlayerHighestRate;
            expectInterruptKeepsUp(kSimulatedUno, recording, highest);
            if (looped.rate == 16'384) {
                reportCost(kSimulatedUno, recording, looped.rate);
            }
        }
    }
};

TEST_F(LoopingPlayer, PcmPlaysTheAttackLoopsUntilReleaseThenTheTail) {
    expectEveryLoopPlays(SampleFormat::Pcm8);
}

TEST_F(LoopingPlayer, AdpcmPlaysTheAttackLoopsUntilReleaseThenTheTail) {
    expectEveryLoopPlays(SampleFormat::Adpcm4);
}

// The largest table the Mega takes, its last slot (in the second array) looped from mid-block:
// the loop tables and the reader's states stay readable in the first 64 KB beside it, and the
// slot plays as on the Uno.
TEST_F(LoopingPlayer, MegaLoopsTheLastSlotOfItsLargestTable) {
    const LoopedSlot last = kLooped[0];
    const std::int32_t limit = boardInfo(Board::Mega2560).sampleLimit;
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        const bool adpcm = format == SampleFormat::Adpcm4;
        SCOPED_TRACE(adpcm ? "adpcm" : "pcm");
        // ADPCM: each leading slot whole blocks, as many as the limit leaves beside the last.
        const std::int32_t rest = limit - (adpcm ? adpcmBytesFor(last.samples) : last.samples);
        const std::int32_t each =
            adpcm ? rest / 15 / kAdpcmBlockBytes * kAdpcmBlockSamples : rest / 15;
        std::vector<std::int32_t> counts(15, each);
        counts.push_back(last.samples);
        SlotBank bank = bankOf(noiseSlots(counts), last.rate);
        bank[16].loop = last.loop;
        EXPECT_GT(tableBytes(bank, format), limit - (adpcm ? 1'100 : 16));
        EXPECT_LE(tableBytes(bank, format), limit);
        const QString elf =
            buildLoopingPlayer(Board::Mega2560, bank, format, adpcm ? "mega-adpcm" : "mega-pcm");
        if (elf.isEmpty()) {
            continue;
        }
        expectLoopPlays(kSimulatedMega, elf, LoopedSlot{16, last.samples, last.rate, last.loop, 80},
                        loopedOutput(bank[16], 16, format));
    }
}

} // namespace
} // namespace wtb
