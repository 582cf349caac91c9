#include "editing/Normalise.h"
#include "slots/SoundFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <random>
#include <span>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

int largestDistance(std::span<const std::uint8_t> bytes) {
    int peak = 0;
    for (std::uint8_t byte : bytes) {
        peak = std::max(peak, std::abs(byte - 128));
    }
    return peak;
}

TEST(NormaliseBytes, ScalesTheLargestDistanceTo127RoundingToNearest) {
    const std::vector<std::pair<Bytes, Bytes>> cases{
        // peak 64: -28 * 127 / 64 = -55.56
        {{128, 192, 64, 100}, {128, 255, 1, 72}},
        // peak 128 below the line: it lands on 1, and 127 above shrinks to 126
        {{255, 0, 129}, {254, 1, 129}},
        // peak 2: the halves +-63.5 go away from the zero line, symmetrically
        {{130, 129, 127, 126}, {255, 192, 64, 1}},
        {{128, 128, 128}, {128, 128, 128}},
        {{}, {}},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(normaliseBytes(input), expected);
    }
}

TEST(NormaliseBytes, ReachesFullScaleAndKeepsEverySampleOnItsSide) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const int spread = 1 + int(random() % 128);
        Bytes bytes(1 + random() % 300);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(128 - spread / 2 + int(random() % spread));
        }
        const Bytes result = normaliseBytes(bytes);
        if (bytes == Bytes(bytes.size(), 128)) {
            EXPECT_EQ(result, bytes);
            continue;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            EXPECT_EQ(bytes[i] >= 128, result[i] >= 128); // the zero crossings stay
        }
        EXPECT_EQ(largestDistance(result), 127);
        EXPECT_EQ(normaliseBytes(result), result);
    }
}

TEST(NormaliseSlots, ChangesOnlyTheSamples) {
    SlotBank bank;
    test::fillBank(bank, test::patternedSlots(100), 11025);
    storeSlotSounds(bank, {{2, SlotSound{Bytes(50, 128), 11025, 30}},
                           {4, SlotSound{Bytes{128, 160, 96, 140}, 11025, 2}}});

    EXPECT_FALSE(normaliseSlot(bank, 2)); // silent
    EXPECT_TRUE(normaliseSlot(bank, 4));
    EXPECT_EQ(slotSoundOf(bank, 4), (SlotSound{Bytes{128, 255, 1, 176}, 11025, 2}));
    EXPECT_FALSE(normaliseSlot(bank, 4)); // already full scale

    const std::vector<std::int16_t> changed = normaliseAllSlots(bank);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), 2), 0);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), 4), 0);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        EXPECT_EQ(bank.WaveDesc[slot], bank.WaveBuffer[slot]->description());
        EXPECT_EQ(largestDistance(bank.WaveBuffer[slot]->bytes()), slot == 2 ? 0 : 127) << slot;
    }
}

class NormaliseAtImport : public testing::Test {
protected:
    Bytes importNormalised(const QString& name, std::optional<std::int32_t> rate = {}) {
        return decodeSoundFile(folder.file(name), DecodeOptions{rate, true}).bytes;
    }
    test::TempFolder folder;
};

TEST_F(NormaliseAtImport, WorksFromTheFullResolutionSamples) {
    // 16-bit values 1000, 300, -500, 0: at full resolution 300 becomes 300 * 127 / 1000 = 38.1.
    // Quantised to 8 bits first (4, 1, -2) it would become 1 * 127 / 4 = 31.75 instead.
    test::writeSoundFile(folder.file("quiet.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000,
                         {1000 * 65536, 300 * 65536, -500 * 65536, 0});
    EXPECT_EQ(importNormalised("quiet.wav"), (Bytes{255, 166, 64, 128}));
}

TEST_F(NormaliseAtImport, AnEightBitFileGivesWhatNormalisingItsSlotGives) {
    std::mt19937 random(5);
    Bytes bytes(3000);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(100 + random() % 41);
    }
    test::writeWav8(folder.file("u8.wav"), bytes, 8000);
    EXPECT_EQ(importNormalised("u8.wav"), normaliseBytes(bytes));
    EXPECT_EQ(importNormalised("u8.wav", 8000), normaliseBytes(bytes));
}

TEST_F(NormaliseAtImport, AfterResamplingThePeakIsStill127AndSilenceStaysSilent) {
    std::vector<int> quiet;
    for (int i = 0; i < 20000; ++i) {
        quiet.push_back(int(std::lround(2000 * std::sin(i * 0.05))) * 65536);
    }
    test::writeSoundFile(folder.file("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100,
                         quiet);
    EXPECT_EQ(largestDistance(importNormalised("tone.wav", 16384)), 127);

    test::writeSoundFile(folder.file("silence.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         std::vector<int>(2 * 5000, 0));
    for (std::optional<std::int32_t> rate : {std::optional<std::int32_t>{}, {8000}}) {
        const Bytes silent = importNormalised("silence.wav", rate);
        EXPECT_EQ(silent, Bytes(silent.size(), 128));
        EXPECT_FALSE(silent.empty());
    }
}

} // namespace
} // namespace wtb
