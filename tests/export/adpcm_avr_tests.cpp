// The ADPCM table sketch compiled with the Arduino core and run on simavr: what its own reader
// decodes must be, bit for bit, what the C++ decoder gives for the same table, every slot opened
// on its own; and the reader's cost per sample on the ATmega328P is measured.
#include "ArduinoBoard.h"

#include "export/AdpcmSketch.h"
#include "export/FlashBudget.h"
#include "slots/DefaultKit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <iostream>
#include <random>

namespace wtb {
namespace {

using test::ArduinoBoard;
using test::SlotContent;

struct ReaderRun {
    std::vector<std::vector<std::uint8_t>> slots; // decoded samples, as unsigned 8-bit
    std::vector<unsigned long> cycles;            // worst, total, calls
};

ReaderRun parseRun(const std::vector<std::string>& lines) {
    ReaderRun run;
    bool inCycles = false;
    for (const std::string& line : lines) {
        if (line == "slot") {
            run.slots.emplace_back();
        } else if (line == "cycles") {
            inCycles = true;
        } else if (line == "done") {
            break;
        } else if (inCycles) {
            unsigned long value = 0;
            std::from_chars(line.data(), line.data() + line.size(), value);
            run.cycles.push_back(value);
        } else if (!run.slots.empty()) {
            for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
                unsigned value = 0;
                std::from_chars(line.data() + i, line.data() + i + 2, value, 16);
                run.slots.back().push_back(static_cast<std::uint8_t>(value ^ 0x80));
            }
        }
    }
    return run;
}

class AdpcmOnBoard : public testing::Test {
protected:
    // Exports the bank in ADPCM, builds it warning-free as the Arduino IDE does with the
    // read-back harness below it in one sketch, runs it and compares every slot with the C++
    // decoder. The run, for its cycles.
    ReaderRun expectBoardDecodesAsTheEncoder(Board board, const SlotBank& bank) {
        const ArduinoBoard& arduino = ArduinoBoard::get(board);
        if (!arduino.unavailable().empty()) {
            ADD_FAILURE() << arduino.unavailable();
            return {};
        }
        const AdpcmTable table =
            encodeAdpcmTable(bank, AdpcmSearch::LookAhead, board == Board::Mega2560);
        try {
            // The table pasted above a user's code that reads every slot through the reader.
            const QString elf =
                arduino
                    .buildText(folder_.path(), "Reader",
                               buildAdpcmSketchText(bank, table) +
                                   test::readText(QStringLiteral(WTB_ADPCM_HARNESS)))
                    .elf;
            EXPECT_EQ(arduino.symbolSize(elf, "wave_adpcm"), static_cast<long>(table.bytes.size()));
            const ReaderRun run = parseRun(arduino.run(elf, 600'000));
            const auto expected = decodeAdpcmTable(table);
            EXPECT_EQ(run.slots.size(), expected.size());
            for (std::size_t k = 0; k < std::min(run.slots.size(), expected.size()); ++k) {
                EXPECT_EQ(run.slots[k], expected[k]) << "slot " << k + 1;
            }
            EXPECT_EQ(run.cycles.size(), 3u);
            return run;
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
        return {};
    }

    test::TempFolder folder_;
};

// The default kit, and slots of odd lengths (empty, one sample, a block and one), on the Uno;
// the reader's worst and mean cycles per sample are printed for the README.
TEST_F(AdpcmOnBoard, UnoDecodesTheKitAsTheEncoderBitForBit) {
    std::vector<SlotContent> slots;
    for (const KitSound& sound : defaultKit()) {
        const auto size = static_cast<std::int32_t>(sound.sound.bytes.size());
        slots.push_back({sound.sound.bytes, sound.name, size - 1});
    }
    slots[13] = {{128, 200, 30}, "empty", -1};
    slots[14] = {{128, 200, 30}, "one", 0};
    std::vector<std::uint8_t> block(127);
    for (std::size_t k = 0; k < block.size(); ++k) {
        block[k] = static_cast<std::uint8_t>(128 + std::lround(90 * std::sin(0.4 * k)));
    }
    slots[15] = {block, "a block and one", 125};
    const ReaderRun run = expectBoardDecodesAsTheEncoder(Board::Uno, test::bankOf(slots));
    if (run.cycles.size() == 3 && run.cycles[2] > 0) {
        const double mean = static_cast<double>(run.cycles[1]) / run.cycles[2];
        std::cout << "atmega328p: Zozedovad_Next " << mean << " cycles mean, " << run.cycles[0]
                  << " worst, over " << run.cycles[2] << " samples\n";
        testing::Test::RecordProperty("reader_mean_cycles", std::to_string(mean));
        testing::Test::RecordProperty("reader_worst_cycles", std::to_string(run.cycles[0]));
    }
}

// A table above 32,767 bytes, split in two arrays, with the 0x21 guard on: the Mega's reader
// decodes it whole, the slot that straddles the arrays too.
TEST_F(AdpcmOnBoard, MegaDecodesASplitTable) {
    std::mt19937 random(5);
    std::vector<SlotContent> slots;
    for (int k = 0; k < 16; ++k) {
        const std::size_t count = k < 2 ? 34'000 : 300;
        std::vector<std::uint8_t> bytes(count);
        double level = 128;
        for (auto& byte : bytes) {
            level = std::clamp(level + static_cast<double>(random() % 21) - 10, 0.0, 255.0);
            byte = static_cast<std::uint8_t>(level);
        }
        slots.push_back({bytes, "walk", static_cast<std::int32_t>(count) - 1});
    }
    const SlotBank bank = test::bankOf(slots);
    ASSERT_GT(tableBytes(bank, SampleFormat::Adpcm4), 32'767);
    expectBoardDecodesAsTheEncoder(Board::Mega2560, bank);
}

} // namespace
} // namespace wtb
