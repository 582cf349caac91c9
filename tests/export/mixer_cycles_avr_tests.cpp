// The mixing interrupt's worst, measured on the simulated chip for every board, format and
// number of voices, with every voice sounding at the largest step (an octave above a slot at
// the mixing rate: two samples a period) through loops that turn back: the figures the export
// refuses a combination by (Boards.cpp) must be what the simulator measures.
#include "MixerRun.h"

#include "export/FlashBudget.h"
#include "export/MixBudget.h"
#include "export/MixSteps.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <iostream>
#include <random>

namespace wtb {
namespace {

using test::emptyBank;
using test::SimulatedBoard;

// Long enough to leave the first ADPCM block; a loop that turns back every few hundred periods.
SlotBank measuringKit(std::int32_t rate) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<std::uint8_t> bytes(700);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(level(random));
    }
    SlotBank bank = emptyBank();
    bank[1] = test::makeSlot(bytes, 699, "m.wav", rate);
    bank[1].loop = Loop{131, 530};
    bank[1].keys = KeyRange{60, 0, 127, 0};
    return bank;
}

std::string startingVoices(std::int32_t voices) {
    return "#include \"Zozedovad.h\"\n"
           "void setup() {\n"
           "  Zozedovad_Begin();\n"
           "  for (byte k = 0; k < " +
           std::to_string(voices) +
           "; ++k) Zozedovad_Note_On(72, 127);\n"
           "}\n"
           "void loop() {}\n";
}

struct Measured {
    SimulatedBoard board;
    SampleFormat format;
};

class MixerCycles : public testing::TestWithParam<Measured> {
protected:
    test::TempFolder folder_;
};

TEST_P(MixerCycles, StoredWorstIsWhatTheSimulatorMeasures) {
    const Measured m = GetParam();
    constexpr std::int32_t kRate = 2'000; // any rate: the cost of a period does not depend on it
    const SlotBank bank = measuringKit(kRate);
    std::string row;
    for (std::int32_t voices = 1; voices <= kMostVoices; ++voices) {
        SCOPED_TRACE(std::to_string(voices) + " voices");
        PlayerOptions options;
        options.voices = voices;
        options.mixRate = kRate;
        options.midi = true;
        const QString elf =
            test::buildMixer(folder_.path(), "cycles" + QString::number(voices), bank, m.format,
                             options, m.board.board, startingVoices(voices))
                .elf;
        if (elf.isEmpty()) {
            return;
        }
        const test::Recording recording = test::runPlayerHarness(m.board, elf, 700, {});
        ASSERT_GT(recording.isrCount, 1000);
        const long worst = recording.isrWorst + m.board.entryCycles;
        row += (row.empty() ? "" : ", ") + std::to_string(worst);
        EXPECT_EQ(mixerWorstCycles(m.board.board, m.format, voices), worst)
            << "Boards.cpp holds another figure than the simulator measures";
    }
    std::cout << boardInfo(m.board.board).id << " " << sampleFormatId(m.format) << ": {" << row
              << "}\n";
}

// The mixing player's largest build (eight voices, MIDI, two buttons) takes the flash the budget
// counts, within 1 %, and a small one (two voices, the serial lines) no more.
TEST_P(MixerCycles, FlashFigureIsTheBuildersLargest) {
    const Measured m = GetParam();
    SlotBank bank = measuringKit(2'000);
    for (const bool loops : {false, true}) {
        SCOPED_TRACE(loops ? "loops" : "no loops");
        bank[1].loop = loops ? std::optional(Loop{131, 530}) : std::nullopt;
        PlayerOptions largest;
        largest.voices = 8;
        largest.mixRate = 2'000;
        largest.midi = true;
        largest.pins = {{1, 4}, {1, 6}};
        PlayerOptions small;
        small.voices = 2;
        small.mixRate = 2'000;
        const FlashBudget budget = flashBudget(bank, m.board.board, m.format, largest);
        const std::string tag = std::string(loops ? "l" : "n");
        const BuiltSketch built =
            test::buildMixer(folder_.path(), QString::fromStdString("big" + tag), bank, m.format,
                             largest, m.board.board);
        const BuiltSketch smaller =
            test::buildMixer(folder_.path(), QString::fromStdString("small" + tag), bank, m.format,
                             small, m.board.board);
        if (built.elf.isEmpty() || smaller.elf.isEmpty()) {
            return;
        }
        std::cout << boardInfo(m.board.board).id << " " << sampleFormatId(m.format) << " " << tag
                  << " mixer code " << built.flashBytes - budget.tableBytes << "\n";
        EXPECT_NEAR(budget.bytes, built.flashBytes, built.flashBytes / 100.0)
            << "the mixer's code measures " << built.flashBytes - budget.tableBytes
            << " bytes, recorded " << budget.playerBytes;
        EXPECT_LE(smaller.flashBytes, budget.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Boards, MixerCycles,
                         testing::Values(Measured{test::kSimulatedUno, SampleFormat::Pcm8},
                                         Measured{test::kSimulatedUno, SampleFormat::Adpcm4},
                                         Measured{test::kSimulatedLeonardo, SampleFormat::Pcm8},
                                         Measured{test::kSimulatedLeonardo, SampleFormat::Adpcm4},
                                         Measured{test::kSimulatedMega, SampleFormat::Pcm8},
                                         Measured{test::kSimulatedMega, SampleFormat::Adpcm4}),
                         [](const testing::TestParamInfo<Measured>& param) {
                             return std::string(boardInfo(param.param.board.board).id) + "_" +
                                    std::string(sampleFormatId(param.param.format));
                         });

} // namespace
} // namespace wtb
