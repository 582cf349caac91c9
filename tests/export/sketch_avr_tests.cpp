// The exported file, pasted above a program of our own, is built by the Arduino IDE's builder for
// the boards it is made for and run on simavr; every start value and sample it reads back
// through its own accessors is compared with the slots it was made from.
#include "ArduinoBoard.h"

#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"
#include "export/SketchWriter.h"
#include "slots/DefaultKit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <random>
#include <sstream>

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

    // Exports the slots for `board` through the writer and gives the file's text.
    std::string exportedText(const std::vector<SlotContent>& slots, Board board,
                             const QString& name) {
        SlotBank bank;
        test::fillBank(bank, slots);
        const QString sketch = folder_.file(name + ".ino");
        writeSketch(bank, sketch, board, SampleFormat::Pcm8, OverBudget::Allow);
        return test::readText(sketch);
    }

    // Exports the slots, pastes the table above the read-back harness in one sketch, as a user
    // pastes it above their own code, builds that as the Arduino IDE does, runs the program and
    // compares everything it prints.
    void expectBoardReadsBack(Board board, const std::vector<SlotContent>& slots) {
        const ArduinoBoard* arduino = toolchain(board);
        if (arduino == nullptr) {
            return;
        }
        const ReadBack expected = expectedReadBack(slots);
        const long total = expected.starts.back();
        try {
            const std::string settings = "#define READBACK_SAMPLES " + std::to_string(total) +
                                         "UL\n#define PIN13_PORTB_BIT " +
                                         std::to_string(pin13PortBBit(board)) + "\n";
            const BuiltSketch built =
                arduino->buildText(folder_.path(), "Readback",
                                   settings + exportedText(slots, board, "Zozedovad") +
                                       test::readText(QStringLiteral(WTB_AVR_HARNESS)));
            EXPECT_EQ(arduino->symbolSize(built.elf, "wave_store"), total)
                << "declared table length";
            const std::vector<std::string> lines = arduino->run(built.elf, 300'000);
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

// Nearly all the flash the Uno has for a sketch: the builder refuses a sketch that does not fit.
TEST_F(SketchOnUno, TableThatNearlyFillsTheFlash) {
    expectBoardReadsBack(Board::Uno, noiseSlots(spread(29'500, 16), 1234));
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

// The bytes an Intel HEX file puts into flash, in address order (gaps left out).
std::vector<std::uint8_t> flashImage(const QString& hexFile) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    std::uint32_t base = 0;
    std::istringstream lines(test::readText(hexFile));
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 11 || line[0] != ':') {
            continue;
        }
        const auto hexAt = [&](std::size_t at, std::size_t digits) {
            std::uint32_t value = 0;
            std::from_chars(line.data() + at, line.data() + at + digits, value, 16);
            return value;
        };
        const std::uint32_t count = hexAt(1, 2);
        const std::uint32_t address = hexAt(3, 4);
        const std::uint32_t type = hexAt(7, 2);
        if (type == 2) {
            base = hexAt(9, 4) << 4;
        } else if (type == 4) {
            base = hexAt(9, 4) << 16;
        } else if (type == 0) {
            for (std::uint32_t k = 0; k < count; ++k) {
                bytes[base + address + k] = static_cast<std::uint8_t>(hexAt(9 + 2 * k, 2));
            }
        }
    }
    std::vector<std::uint8_t> image;
    for (const auto& [address, byte] : bytes) {
        image.push_back(byte);
    }
    return image;
}

// Where three 0x21 bytes follow each other in `image`; -1 for nowhere.
long bangRunAt(const std::vector<std::uint8_t>& image) {
    for (std::size_t k = 2; k < image.size(); ++k) {
        if (image[k] == 0x21 && image[k - 1] == 0x21 && image[k - 2] == 0x21) {
            return static_cast<long>(k - 2);
        }
    }
    return -1;
}

// A kit whose start, length and loop tables would hold "!!!" (0x2121 = 8481 before 0x2221),
// exported for the Mega in every kind and format, with and without loops, built by the Arduino
// IDE's builder: no image the bootloader receives holds three 0x21 bytes in a row.
TEST_F(SketchOnMega, NoBuiltImageHoldsThreeBangsInARow) {
    const ArduinoBoard* mega = toolchain(Board::Mega2560);
    if (mega == nullptr) {
        return;
    }
    std::vector<std::int32_t> counts(16, 10);
    counts[0] = 8'481;
    counts[1] = 256;
    counts[2] = counts[3] = 9'000;
    SlotBank plain = test::bankOf(noiseSlots(counts, 21));
    SlotBank looped = plain;
    looped[3].loop = looped[4].loop = Loop{8'481, 8'737};
    for (const SlotBank* bank : {&plain, &looped}) {
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            const QString name =
                QStringLiteral("Bang%1%2").arg(bank == &looped).arg(static_cast<int>(format));
            SCOPED_TRACE(name.toStdString());
            try {
                const std::string table = buildSketchText(*bank, Board::Mega2560, format).text;
                const BuiltSketch tableSketch = mega->buildText(
                    folder_.path(), name + "Table", table + "void setup() {}\nvoid loop() {}\n");
                EXPECT_EQ(bangRunAt(flashImage(tableSketch.hex)), -1) << "the table sketch";
                const QString player = folder_.file(name + "Player");
                writePlayerSketch(*bank, player, Board::Mega2560, format, OverBudget::Allow);
                EXPECT_EQ(bangRunAt(flashImage(mega->build(playerSketchFile(player)).hex)), -1)
                    << "the player sketch";
            } catch (const test::ToolFailure& failure) {
                ADD_FAILURE() << failure.what();
            }
        }
    }
}

// The text is the same for every board: the last single-array size and the split sizes up to
// the accessor limit must all build cleanly above a sketch's own setup() and loop().
TEST_F(AvrSketch, EveryTableSizeTheAccessorsReachBuildsWithoutWarnings) {
    const ArduinoBoard* uno = toolchain(Board::Uno);
    if (uno == nullptr) {
        return;
    }
    for (std::int32_t total : {kSamplesPerArray, kSamplesPerArray + 1, kAccessorSampleLimit}) {
        SCOPED_TRACE(total);
        try {
            const QString name = "Table" + QString::number(total);
            uno->buildText(folder_.path(), name,
                           exportedText(noiseSlots(spread(total, 16), 7), Board::Uno, name) +
                               "void setup() {}\nvoid loop() {}\n");
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }
}

} // namespace
} // namespace wtb
