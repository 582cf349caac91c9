#include "PlayerKit.h"

#include "export/PcmTableSketch.h"

#include <algorithm>
#include <iostream>
#include <random>

namespace wtb::test {

std::vector<SlotContent> noiseSlots(const std::vector<std::int32_t>& counts) {
    std::mt19937 random(19);
    std::vector<SlotContent> slots;
    for (std::int32_t count : counts) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        slots.push_back({bytes, "slot " + std::to_string(slots.size() + 1), count - 1});
    }
    return slots;
}

std::vector<SlotContent> kitSlots(std::int32_t leading) {
    std::vector<std::int32_t> counts(16, 30);
    counts[0] = counts[1] = leading;
    for (const PlayedSlot& played : kPlayed) {
        counts[static_cast<std::size_t>(played.slot - 1)] = played.samples;
    }
    return noiseSlots(counts);
}

std::vector<int> expectedLevels(const SlotContent& slot) {
    std::vector<int> levels;
    for (std::int32_t h = 0; h <= slot.endIndex; ++h) {
        const bool edge = h == 0 || h == slot.endIndex;
        levels.push_back(edge ? 128 : slot.bytes[static_cast<std::size_t>(h)]);
    }
    return levels;
}

std::string tableText(const std::vector<SlotContent>& slots) {
    SlotBank atOneRate;
    fillBank(atOneRate, slots, kOtherRate);
    SlotBank atAnother;
    fillBank(atAnother, slots, 16'384);
    const std::string text = buildSketchText(atOneRate);
    EXPECT_EQ(text, buildSketchText(atAnother)) << "the table text depends on the rates";
    return text;
}

std::array<std::int32_t, 16> kitRates() {
    std::array<std::int32_t, 16> rates{};
    rates.fill(kOtherRate);
    for (const PlayedSlot& played : kPlayed) {
        rates[static_cast<std::size_t>(played.slot - 1)] = played.rate;
    }
    return rates;
}

void expectPlayedAtRate(std::uint64_t commandCycle, const std::vector<Write>& writes,
                        const std::vector<int>& levels, std::int32_t rate) {
    ASSERT_GE(levels.size(), 2u);
    ASSERT_EQ(writes.size(), levels.size() + 1) << "writes: the samples and then the rest";
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (writes[k].level != levels[k] && ++wrong <= 5) {
            ADD_FAILURE() << "sample " << k << " written as " << writes[k].level << ", expected "
                          << levels[k];
        }
    }
    EXPECT_EQ(wrong, 0u) << "samples written wrong";
    EXPECT_EQ(writes.back().level, 128) << "the rest after the sound";

    const std::size_t last = levels.size() - 1;
    const double period =
        static_cast<double>(writes[last].cycle - writes[0].cycle) / static_cast<double>(last);
    const double expectedPeriod = kCpuHz / rate;
    EXPECT_NEAR(period / expectedPeriod, 1.0, 0.005)
        << "mean period " << period << " cycles, F_CPU / rate " << expectedPeriod;
    EXPECT_GT(writes[0].cycle, commandCycle);
    EXPECT_LT(static_cast<double>(writes[0].cycle - commandCycle),
              static_cast<double>(kCommandLatency) + expectedPeriod)
        << "the sound's first sample comes late";
    // Other interrupts (Timer 0's for millis()) may delay a write; the period a write belongs to
    // starts where the least delayed write falls on the clock.
    std::vector<double> offsets;
    for (std::size_t k = 0; k < writes.size(); ++k) {
        const double due = static_cast<double>(writes[0].cycle) + static_cast<double>(k) * period;
        offsets.push_back(static_cast<double>(writes[k].cycle) - due);
    }
    const double earliest = *std::min_element(offsets.begin(), offsets.end());
    std::size_t late = 0;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        if (offsets[k] - earliest >= period && ++late <= 5) {
            ADD_FAILURE() << "write " << k << " comes " << offsets[k] - earliest
                          << " cycles into its period of " << period;
        }
    }
    EXPECT_EQ(late, 0u) << "writes outside their own period";
}

const ArduinoBoard* PlayerSketch::toolchain(Board board) {
    const ArduinoBoard& arduino = ArduinoBoard::get(board);
    if (!arduino.unavailable().empty()) {
        ADD_FAILURE() << arduino.unavailable();
        return nullptr;
    }
    return &arduino;
}

QString PlayerSketch::buildPlayer(Board board, const std::vector<SlotContent>& slots,
                                  const QString& name) {
    return buildSketch(board, buildPlayerHeaderText(tableText(slots), kitRates(), {}), name);
}

QString PlayerSketch::buildSketch(Board board, const std::string& header, const QString& name,
                                  const std::string& userSketch) {
    const ArduinoBoard* arduino = toolchain(board);
    if (arduino == nullptr) {
        return {};
    }
    try {
        return arduino->buildText(folder_.path(), name, userSketch, header).elf;
    } catch (const ToolFailure& failure) {
        ADD_FAILURE() << failure.what();
        return {};
    }
}

void PlayerSketch::expectEverySlotPlays(const SimulatedBoard& board, std::int32_t leading) {
    const std::vector<SlotContent> slots = kitSlots(leading);
    const QString elf = buildPlayer(board.board, slots, "player");
    if (elf.isEmpty()) {
        return;
    }
    for (const PlayedSlot& played : kPlayed) {
        SCOPED_TRACE("slot " + std::to_string(played.slot) + " at " + std::to_string(played.rate) +
                     " Hz");
        const Recording recording = expectSlotPlays(board, elf, slots, played);
        if (played.rate == 16'384) {
            reportCost(board, recording, played.rate);
        }
    }
}

Recording PlayerSketch::expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                                        const std::vector<SlotContent>& slots,
                                        const PlayedSlot& played) {
    return expectSlotPlays(board, elf, played,
                           expectedLevels(slots[static_cast<std::size_t>(played.slot - 1)]));
}

Recording PlayerSketch::expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                                        const PlayedSlot& played, const std::vector<int>& levels,
                                        std::int32_t highestRate) {
    const int commandMs = 5;
    const int soundMs = played.samples * 1000 / played.rate + 1;
    const int restMs = std::max(10, 3 * 1000 / played.rate);
    const Recording recording = runPlayerHarness(board, elf, commandMs + soundMs + restMs + 2,
                                                 {{commandMs, std::to_string(played.slot)}});
    if (recording.commands.size() != 1) {
        ADD_FAILURE() << "the command was not typed";
        return recording;
    }
    std::size_t before = 0;
    for (const Write& write : recording.writes) {
        if (write.cycle < recording.commands[0]) {
            ++before;
            EXPECT_EQ(write.level, 128) << "a write before the command";
        }
    }
    EXPECT_GE(before, 1u) << "the output must be set to rest before the command";
    expectPlayedAtRate(recording.commands[0], recording.writesFrom(recording.commands[0]), levels,
                       played.rate);
    EXPECT_EQ(recording.endLevel, 128);
    expectInterruptKeepsUp(board, recording, highestRate);
    return recording;
}

void PlayerSketch::expectInterruptKeepsUp(const SimulatedBoard& board, const Recording& recording,
                                          std::int32_t highestRate) {
    EXPECT_GT(recording.isrCount, 0);
    EXPECT_LT(recording.isrWorst + board.entryCycles, kCpuHz / highestRate)
        << "the sample interrupt takes too long for " << highestRate << " Hz";
}

double PlayerSketch::cpuLeft(const SimulatedBoard& board, const Recording& recording,
                             std::int32_t rate) {
    return 100.0 * (1.0 - (recording.isrMean + board.entryCycles) * rate / kCpuHz);
}

void PlayerSketch::reportCost(const SimulatedBoard& board, const Recording& recording,
                              std::int32_t rate) {
    const double mean = recording.isrMean + board.entryCycles;
    const long worst = recording.isrWorst + board.entryCycles;
    const double left = 100.0 * (1.0 - mean * rate / kCpuHz);
    std::cout << ArduinoBoard::get(board.board).mcu().toStdString() << ": sample interrupt " << mean
              << " cycles mean, " << worst << " worst (with entry); " << left
              << " % of the CPU left at " << rate << " Hz\n";
    testing::Test::RecordProperty("isr_mean_cycles", std::to_string(mean));
    testing::Test::RecordProperty("isr_worst_cycles", std::to_string(worst));
}

} // namespace wtb::test
