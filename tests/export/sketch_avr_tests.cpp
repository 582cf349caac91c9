// The exported file is compiled with the Arduino core for an ATmega328P, run on simavr, and
// every start value and sample it reads back through its own accessors is compared with the
// slots it was made from.
#include "ArduinoUno.h"

#include "export/SketchWriter.h"
#include "slots/DefaultKit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <charconv>
#include <random>

namespace wtb {
namespace {

using test::ArduinoUno;
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

// The numbers printed between the `from` line and the `to` line.
std::vector<long> numbersBetween(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& to) {
    std::vector<long> numbers;
    auto line = std::find(lines.begin(), lines.end(), from);
    if (line == lines.end()) {
        ADD_FAILURE() << "the board never printed \"" << from << "\"";
        return numbers;
    }
    for (++line; line != lines.end() && *line != to; ++line) {
        long value = 0;
        const auto [end, error] = std::from_chars(line->data(), line->data() + line->size(), value);
        if (error != std::errc() || end != line->data() + line->size()) {
            ADD_FAILURE() << "not a number from the board: \"" << *line << "\"";
            return numbers;
        }
        numbers.push_back(value);
    }
    if (line == lines.end()) {
        ADD_FAILURE() << "the board never printed \"" << to << "\"";
    }
    return numbers;
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

class SketchOnUno : public testing::Test {
protected:
    void SetUp() override {
        const std::string& missing = ArduinoUno::get().unavailable();
        if (!missing.empty()) {
            FAIL() << missing;
        }
    }

    // Exports the slots, compiles the file as its own translation unit beside the read-back
    // harness, runs the program and compares everything it prints.
    void expectBoardReadsBack(const std::vector<SlotContent>& slots) {
        const ArduinoUno& uno = ArduinoUno::get();
        const ReadBack expected = expectedReadBack(slots);
        const long total = expected.starts.back();
        SlotBank bank;
        test::fillBank(bank, slots);
        const QString sketch = folder_.file("Zozedovad.ino");
        writeSketch(bank, sketch);
        // What the Arduino IDE compiles for a sketch file: Arduino.h first, then the file.
        const QString sketchCpp = folder_.file("Zozedovad.ino.cpp");
        test::writeText(sketchCpp, "#include <Arduino.h>\n" + test::readText(sketch));
        const QString harness = QStringLiteral(WTB_AVR_HARNESS);
        const QString elf = folder_.file("readback.elf");
        try {
            EXPECT_EQ(uno.compile(sketchCpp, folder_.file("sketch.o"), {"-Wall", "-Wextra"}), "")
                << "the exported file must compile without any warning";
            uno.compile(harness, folder_.file("harness.o"),
                        {"-DREADBACK_SAMPLES=" + QString::number(total) + "UL"});
            uno.link({folder_.file("sketch.o"), folder_.file("harness.o")}, elf);
            EXPECT_EQ(uno.symbolSize(elf, "wave_store"), total) << "declared table length";
            const std::vector<std::string> lines = uno.run(elf, 30'000);
            EXPECT_EQ(numbersBetween(lines, "starts", "samples"), expected.starts);
            expectSameSamples(numbersBetween(lines, "samples", "done"), expected.samples);
        } catch (const test::ToolFailure& failure) {
            FAIL() << failure.what();
        }
    }

    test::TempFolder folder_;
};

TEST_F(SketchOnUno, DefaultKit) {
    std::vector<SlotContent> slots;
    for (const KitSound& sound : defaultKit()) {
        const auto size = static_cast<std::int32_t>(sound.sound.bytes.size());
        slots.push_back({sound.sound.bytes, sound.name, size - 1});
    }
    expectBoardReadsBack(slots);
}

TEST_F(SketchOnUno, WorkedExamples) {
    std::vector<SlotContent> slots(16, SlotContent{{128, 40, 220}, "one", 0});
    slots[0] = {{10, 130, 0, 255, 77}, "bytes 10 130 0 255 77", 4};
    expectBoardReadsBack(slots);

    slots.assign(16, SlotContent{{128, 40, 220}, "one", 0});
    slots[0] = {{90, 1, 254, 170}, "three", 3};
    slots[2] = {{200, 0, 255, 128, 127, 129, 1, 99, 140, 60}, "nine", 9};
    expectBoardReadsBack(slots);
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
    expectBoardReadsBack(slots);
}

TEST_F(SketchOnUno, TableOfThirtyThousandSamples) {
    std::mt19937 random(1234);
    std::vector<SlotContent> slots;
    for (int slot = 1; slot <= 16; ++slot) {
        std::vector<std::uint8_t> bytes(1875 + slot % 3);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        slots.push_back({bytes, "noise " + std::to_string(slot), 1874});
    }
    expectBoardReadsBack(slots);
}

} // namespace
} // namespace wtb
