// What the mixing player takes: voices, mixing rates within the measured cycles (with what would
// fit instead), MIDI's baud rates, trigger pins, slots it could not step through, and the
// default mixing rate.
#include "export/MixBudget.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace wtb {
namespace {

SlotBank bankAt(const std::vector<std::int32_t>& rates) {
    SlotBank bank;
    for (const std::int16_t number : allSlotNumbers()) {
        const auto k = static_cast<std::size_t>(number - 1);
        bank[number] =
            test::makeSlot(std::vector<std::uint8_t>(50, 140), k < rates.size() ? 49 : -1, "s.wav",
                           k < rates.size() ? rates[k] : 8'000);
    }
    return bank;
}

std::string refusal(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                    Board board) {
    try {
        checkMixerOptions(bank, format, options, board);
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Bounds);
        return error.what();
    }
    return {};
}

PlayerOptions mixing(std::int32_t voices, std::int32_t rate) {
    PlayerOptions options;
    options.voices = voices;
    options.mixRate = rate;
    options.midi = true;
    return options;
}

TEST(MixBudgetTest, RefusesWhatItCannotPlayAndSaysWhatWouldFit) {
    PlayerOptions badBaud = mixing(2, 8'000);
    badBaud.midiBaud = 9'600;
    PlayerOptions outputPin = mixing(2, 8'000);
    outputPin.pins = {{1, 3}};
    PlayerOptions twice = mixing(2, 8'000);
    twice.pins = {{1, 4}, {2, 4}};
    PlayerOptions serialPin = mixing(2, 8'000);
    serialPin.pins = {{1, 1}};
    PlayerOptions noSuchSlot = mixing(2, 8'000);
    noSuchSlot.pins = {{17, 5}};
    PlayerOptions megaPin = mixing(2, 8'000);
    megaPin.pins = {{1, 40}};
    const struct {
        const char* what;
        std::vector<std::int32_t> rates;
        SampleFormat format;
        PlayerOptions options;
        Board board;
        std::vector<std::string> said; // empty: taken
    } cases[] = {
        {"four ADPCM voices at 8 kHz",
         {8'000},
         SampleFormat::Adpcm4,
         mixing(4, 8'000),
         Board::Uno,
         {"2156 clock cycles", "(1600 of its 2000 cycles)", "4 voices up to 5936 Hz",
          "2 voices at 8000 Hz", "4 voices at 8000 Hz in 8-bit PCM"}},
        {"four ADPCM voices at 5 kHz",
         {5'000},
         SampleFormat::Adpcm4,
         mixing(4, 5'000),
         Board::Uno,
         {}},
        {"eight PCM voices at 16 kHz on the Mega",
         {16'000},
         SampleFormat::Pcm8,
         mixing(8, 16'000),
         Board::Mega2560,
         {"8 voices up to 10070 Hz", "4 voices at 16000 Hz"}},
        {"nine voices", {8'000}, SampleFormat::Pcm8, mixing(9, 8'000), Board::Uno, {"1 to 8"}},
        {"a mixing rate too low",
         {8'000},
         SampleFormat::Pcm8,
         mixing(2, 500),
         Board::Uno,
         {"1000 Hz"}},
        {"a slot above twice the mixing rate",
         {8'000, 22'050},
         SampleFormat::Pcm8,
         mixing(2, 8'000),
         Board::Uno,
         {"Slot 2", "22050 Hz", "11025 Hz or more"}},
        {"a baud rate MIDI has not", {8'000}, SampleFormat::Pcm8, badBaud, Board::Uno, {"9600"}},
        {"a button on the output",
         {8'000},
         SampleFormat::Pcm8,
         outputPin,
         Board::Uno,
         {"Pin 3", "sound output"}},
        {"a pin given twice",
         {8'000},
         SampleFormat::Pcm8,
         twice,
         Board::Uno,
         {"Pin 4", "two slots"}},
        {"a serial pin", {8'000}, SampleFormat::Pcm8, serialPin, Board::Uno, {"pins 2 to 19"}},
        {"slot 17", {8'000}, SampleFormat::Pcm8, noSuchSlot, Board::Uno, {"slot 17"}},
        {"pin 40 on the Uno", {8'000}, SampleFormat::Pcm8, megaPin, Board::Uno, {"no pin 40"}},
        {"pin 40 on the Mega", {8'000}, SampleFormat::Pcm8, megaPin, Board::Mega2560, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string message = refusal(bankAt(c.rates), c.format, c.options, c.board);
        EXPECT_EQ(message.empty(), c.said.empty()) << message;
        for (const std::string& part : c.said) {
            EXPECT_NE(message.find(part), std::string::npos) << message;
        }
    }
}

TEST(MixBudgetTest, DefaultRateIsTheCommonOneElseTheHighestTheCyclesAllow) {
    const struct {
        std::vector<std::int32_t> rates;
        std::int32_t voices;
        SampleFormat format;
        std::int32_t wanted;
    } cases[] = {
        {{11'025, 11'025}, 8, SampleFormat::Pcm8, 11'025}, // common, even past the cycles
        {{8'000, 16'000, 44'100}, 4, SampleFormat::Pcm8, 16'000},
        {{8'000, 16'000, 44'100}, 2, SampleFormat::Pcm8, 16'000},
        {{4'000, 16'000}, 4, SampleFormat::Adpcm4, 4'000},  // 16 kHz does not fit four voices
        {{22'050, 44'100}, 8, SampleFormat::Adpcm4, 3'202}, // none fits: the highest that does
    };
    for (const auto& c : cases) {
        PlayerOptions options;
        options.voices = c.voices;
        EXPECT_EQ(playerMixRate(bankAt(c.rates), c.format, options, Board::Uno), c.wanted)
            << c.voices << " voices, " << c.rates.size() << " rates";
    }
}

TEST(MixBudgetTest, OneVoiceWithoutInputsIsTheOneSoundPlayer) {
    PlayerOptions options;
    EXPECT_FALSE(playerMixes(options));
    options.pins = {{1, 2}};
    EXPECT_TRUE(playerMixes(options));
    options = {};
    options.midi = true;
    EXPECT_TRUE(playerMixes(options));
    options = {};
    options.voices = 2;
    EXPECT_TRUE(playerMixes(options));
}

TEST(MixBudgetTest, ThePlayerExportRefusesWhatTheMixerCannotPlayAndWritesNothing) {
    test::TempFolder folder;
    const QString sketch = folder.file("kit");
    EXPECT_THROW(writePlayerSketch(bankAt({8'000}), sketch, Board::Uno, SampleFormat::Adpcm4,
                                   OverBudget::Allow, mixing(8, 8'000)),
                 RuntimeError);
    EXPECT_FALSE(QFileInfo::exists(sketch));
    const WrittenPlayerSketch written =
        writePlayerSketch(bankAt({8'000}), sketch, Board::Uno, SampleFormat::Pcm8,
                          OverBudget::Allow, mixing(3, 8'000));
    const std::string header = test::readText(written.header);
    EXPECT_NE(header.find("#define ZOZEDOVAD_VOICES 3"), std::string::npos);
    EXPECT_NE(header.find("#define ZOZEDOVAD_MIX_RATE 8000"), std::string::npos);
    EXPECT_NE(header.find("#define ZOZEDOVAD_MIDI 1"), std::string::npos);
}

} // namespace
} // namespace wtb
