// The exported file is compiled with the Arduino core for the boards it is made for and run on
// simavr; every start value and sample it reads back through its own accessors is compared with
// the slots it was made from. A minimal player, compiled for every board, must take the flash
// the budget says it takes.
#include "ArduinoBoard.h"

#include "export/SketchText.h"
#include "export/SketchWriter.h"
#include "slots/DefaultKit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <charconv>
#include <limits>
#include <random>

namespace wtb {
namespace {

using test::ArduinoBoard;
using test::SlotContent;

// What the board must read back, worked out from the slots alone.
struct ReadBack {
    std::vector<long> starts;
    std::vector<long> samples;
};

ReadBack expectedReadBack(const std::vector<SlotContent>& slots) {
    ReadBack expected;
    for (const SlotContent& slot : slots) {
        expected.starts.push_back(static_cast<long>(expected.samples.size()));
        for (std::int32_t h = 0; h <= slot.endIndex; ++h) {
            const bool edge = h == 0 || h == slot.endIndex;
            expected.samples.push_back(edge ? 0 : slot.bytes[static_cast<std::size_t>(h)] - 128);
        }
    }
    expected.starts.push_back(static_cast<long>(expected.samples.size()));
    return expected;
}

// The lines printed between the `from` line and the `to` line.
std::vector<std::string> linesBetween(const std::vector<std::string>& lines,
                                      const std::string& from, const std::string& to) {
    auto first = std::find(lines.begin(), lines.end(), from);
    if (first == lines.end()) {
        ADD_FAILURE() << "the board never printed \"" << from << "\"";
        return {};
    }
    auto last = std::find(++first, lines.end(), to);
    if (last == lines.end()) {
        ADD_FAILURE() << "the board never printed \"" << to << "\" after \"" << from << "\"";
    }
    return {first, last};
}

std::vector<long> numbersBetween(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& to) {
    std::vector<long> numbers;
    for (const std::string& line : linesBetween(lines, from, to)) {
        long value = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (error != std::errc() || end != line.data() + line.size()) {
            ADD_FAILURE() << "not a number from the board: \"" << line << "\"";
            return numbers;
        }
        numbers.push_back(value);
    }
    return numbers;
}

// The samples the harness prints as two hex digits each, back as signed values.
std::vector<long> samplesBetween(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& to) {
    std::vector<long> samples;
    for (const std::string& line : linesBetween(lines, from, to)) {
        for (std::size_t i = 0; i < line.size(); i += 2) {
            unsigned value = 0;
            const char* first = line.data() + i;
            const char* last = line.data() + std::min(i + 2, line.size());
            const auto [end, error] = std::from_chars(first, last, value, 16);
            if (error != std::errc() || end != first + 2) {
                ADD_FAILURE() << "not a hex sample line from the board: \"" << line << "\"";
                return samples;
            }
            samples.push_back(value >= 128 ? static_cast<long>(value) - 256 : value);
        }
    }
    return samples;
}

void expectSameSamples(const std::vector<long>& actual, const std::vector<long>& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << "samples read back";
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (actual[i] != expected[i] && ++wrong <= 5) {
            ADD_FAILURE() << "sample " << i << " reads " << actual[i] << ", expected "
                          << expected[i];
        }
    }
    EXPECT_EQ(wrong, 0u) << "samples that read back wrong";
}

// Sixteen slots of noise whose sample counts are `counts` (0 for an empty slot).
std::vector<SlotContent> noiseSlots(const std::vector<std::int32_t>& counts, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<SlotContent> slots;
    for (std::int32_t count : counts) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) + 1);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        slots.push_back({bytes, "noise " + std::to_string(slots.size() + 1), count - 1});
    }
    return slots;
}

// `total` samples spread over `slots` slots as evenly as they go.
std::vector<std::int32_t> spread(std::int32_t total, std::int32_t slots) {
    std::vector<std::int32_t> counts;
    for (std::int32_t slot = 0; slot < slots; ++slot) {
        counts.push_back(total / slots + (slot < total % slots ? 1 : 0));
    }
    return counts;
}

// The bit of PORTB that pin 13 drives on the boards the harness runs on.
int pin13PortBBit(Board board) {
    return board == Board::Mega2560 ? 7 : 5;
}

class AvrSketch : public testing::Test {
protected:
    // The board's toolchain; a failed test when it cannot build (the AVR tests need it).
    const ArduinoBoard* toolchain(Board board) {
        const ArduinoBoard& arduino = ArduinoBoard::get(board);
        if (!arduino.unavailable().empty()) {
            ADD_FAILURE() << arduino.unavailable();
            return nullptr;
        }
        return &arduino;
    }

    // Exports the slots for `board` and writes the file as the Arduino IDE compiles a sketch:
    // Arduino.h first, then the file.
    QString exportSketch(const std::vector<SlotContent>& slots, Board board, const QString& name) {
        SlotBank bank;
        test::fillBank(bank, slots);
        const QString sketch = folder_.file(name + ".ino");
        writeSketch(bank, sketch, board, OverBudget::Allow);
        const QString sketchCpp = folder_.file(name + ".ino.cpp");
        test::writeText(sketchCpp, "#include <Arduino.h>\n" + test::readText(sketch));
        return sketchCpp;
    }

    // Exports the slots, compiles the file as its own translation unit beside the read-back
    // harness, runs the program and compares everything it prints.
    void expectBoardReadsBack(Board board, const std::vector<SlotContent>& slots) {
        const ArduinoBoard* arduino = toolchain(board);
        if (arduino == nullptr) {
            return;
        }
        const ReadBack expected = expectedReadBack(slots);
        const long total = expected.starts.back();
        const QString elf = folder_.file("readback.elf");
        try {
            const QString sketchCpp = exportSketch(slots, board, "Zozedovad");
            EXPECT_EQ(arduino->compile(sketchCpp, folder_.file("sketch.o"), {"-Wall", "-Wextra"}),
                      "")
                << "the exported file must compile without any warning";
            arduino->compile(QStringLiteral(WTB_AVR_HARNESS), folder_.file("harness.o"),
                             {"-DREADBACK_SAMPLES=" + QString::number(total) + "UL",
                              "-DPIN13_PORTB_BIT=" + QString::number(pin13PortBBit(board))});
            arduino->link({folder_.file("sketch.o"), folder_.file("harness.o")}, elf);
            EXPECT_EQ(arduino->symbolSize(elf, "wave_store"), total) << "declared table length";
            const std::vector<std::string> lines = arduino->run(elf, 300'000);
            EXPECT_EQ(numbersBetween(lines, "pin13", "starts"), (std::vector<long>{0, 1}))
                << "digitalWrite(13, HIGH) must set pin 13's bit of PORTB";
            EXPECT_EQ(numbersBetween(lines, "starts", "samples"), expected.starts);
            expectSameSamples(samplesBetween(lines, "samples", "done"), expected.samples);
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }

    test::TempFolder folder_;
};

using SketchOnUno = AvrSketch;
using SketchOnMega = AvrSketch;
using MinimalPlayer = AvrSketch;

TEST_F(SketchOnUno, DefaultKit) {
    std::vector<SlotContent> slots;
    for (const KitSound& sound : defaultKit()) {
        const auto size = static_cast<std::int32_t>(sound.sound.bytes.size());
        slots.push_back({sound.sound.bytes, sound.name, size - 1});
    }
    expectBoardReadsBack(Board::Uno, slots);
}

TEST_F(SketchOnUno, WorkedExamples) {
    std::vector<SlotContent> slots(16, SlotContent{{128, 40, 220}, "one", 0});
    slots[0] = {{10, 130, 0, 255, 77}, "bytes 10 130 0 255 77", 4};
    expectBoardReadsBack(Board::Uno, slots);

    slots.assign(16, SlotContent{{128, 40, 220}, "one", 0});
    slots[0] = {{90, 1, 254, 170}, "three", 3};
    slots[2] = {{200, 0, 255, 128, 127, 129, 1, 99, 140, 60}, "nine", 9};
    expectBoardReadsBack(Board::Uno, slots);
}

TEST_F(SketchOnUno, ShortAndEmptySlotsExtremeBytesAndAwkwardNames) {
    const std::vector<std::uint8_t> extremes = {0, 0, 127, 128, 255, 0, 255, 128, 127, 255};
    std::vector<SlotContent> slots(16, SlotContent{extremes, "", 9});
    slots[0] = {{255, 0}, "", -1};
    slots[1] = {{0, 255}, "ends in a backslash\\", 0};
    slots[2] = {{255, 0, 7}, "backslash then spaces\\  ", 1};
    slots[3].name = "trigraph ?\?/";
    slots[4].name = "two\r\nlines\tand a tab";
    slots[5] = {{1}, "single byte \\\\", 0};
    slots[6].name = "caf\xc3\xa9 /* not a block */ \"quote";
    slots[8] = {{9, 9}, "empty in the middle", -1};
    slots[15] = {{128, 128, 128}, "empty last slot\\", -1};
    expectBoardReadsBack(Board::Uno, slots);
}

TEST_F(SketchOnUno, TableOfThirtyThousandSamples) {
    expectBoardReadsBack(Board::Uno, noiseSlots(spread(30'000, 16), 1234));
}

// 16 x 2,500 samples: the first array ends 267 samples into slot 14.
TEST_F(SketchOnMega, FortyThousandSamplesSplitInsideASlot) {
    std::vector<std::int32_t> counts = spread(40'000, 16);
    counts[4] = 0; // an empty slot on the way
    counts[5] += 2'500;
    expectBoardReadsBack(Board::Mega2560, noiseSlots(counts, 40));
}

// The largest table the Mega takes, its first array ending exactly with slot 8.
TEST_F(SketchOnMega, LargestTableItAllowsSplitAtASlotEnd) {
    const std::int32_t limit = boardInfo(Board::Mega2560).sampleLimit;
    std::vector<std::int32_t> counts = spread(kSamplesPerArray, 8);
    const std::vector<std::int32_t> rest = spread(limit - kSamplesPerArray, 8);
    counts.insert(counts.end(), rest.begin(), rest.end());
    expectBoardReadsBack(Board::Mega2560, noiseSlots(counts, 64));
}

// The text is the same for every board: the last single-array size and the split sizes up to
// the accessor limit must all compile cleanly.
TEST_F(AvrSketch, EveryTableSizeTheAccessorsReachCompilesWithoutWarnings) {
    const ArduinoBoard* uno = toolchain(Board::Uno);
    if (uno == nullptr) {
        return;
    }
    for (std::int32_t total : {kSamplesPerArray, kSamplesPerArray + 1, kAccessorSampleLimit}) {
        SCOPED_TRACE(total);
        try {
            const QString sketchCpp = exportSketch(noiseSlots(spread(total, 16), 7), Board::Uno,
                                                   "table" + QString::number(total));
            EXPECT_EQ(uno->compile(sketchCpp, sketchCpp + ".o", {"-Wall", "-Wextra"}), "");
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }
}

// Linked with tables of T and T + 1 samples, the player takes playerBytes + T rounded up to an
// even count; on the Uno and the Leonardo T is the room the budget gives the table, so the
// flash must hold the one and not the other.
TEST_F(MinimalPlayer, TakesTheFlashTheBudgetRecords) {
    for (const BoardInfo& info : boards()) {
        SCOPED_TRACE(std::string(info.id));
        const ArduinoBoard* arduino = toolchain(info.board);
        if (arduino == nullptr) {
            continue;
        }
        const std::int32_t table =
            info.tableRoom() <= kSamplesPerArray ? info.tableRoom() : 16; // a split costs code
        try {
            const QString player = folder_.file(QString(info.id.data()) + "-player.o");
            EXPECT_EQ(
                arduino->compile(QStringLiteral(WTB_MINIMAL_PLAYER), player, {"-Wall", "-Wextra"}),
                "");
            long playerBytes = std::numeric_limits<long>::max();
            for (std::int32_t samples : {table, table + 1}) {
                const QString name = QString(info.id.data()) + QString::number(samples);
                const QString sketchCpp =
                    exportSketch(noiseSlots(spread(samples, 16), 3), info.board, name);
                arduino->compile(sketchCpp, folder_.file(name + ".o"));
                const QString elf = folder_.file(name + ".elf");
                arduino->link({player, folder_.file(name + ".o")}, elf);
                const long flash = arduino->flashSize(elf);
                playerBytes = std::min(playerBytes, flash - samples);
                EXPECT_EQ(flash > info.sketchFlash, samples > info.tableRoom())
                    << samples << " samples take " << flash << " bytes of " << info.sketchFlash;
            }
            EXPECT_EQ(playerBytes, info.playerBytes)
                << "the minimal player's size changed: measure it again and record it";
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }
}

} // namespace
} // namespace wtb
