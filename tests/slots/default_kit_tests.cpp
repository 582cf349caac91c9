#include "slots/DefaultKit.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace wtb {
namespace {

// Zero-line crossings per sample: a rough measure of how bright a sound is.
double crossingRate(const std::vector<std::uint8_t>& bytes) {
    int crossings = 0;
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        crossings += (bytes[i] >= 128) != (bytes[i - 1] >= 128);
    }
    return crossings / double(bytes.size());
}

TEST(DefaultKit, SixteenShortSoundsThatFitAnUnoWithRoomToSpare) {
    const std::vector<KitSound> kit = defaultKit();
    ASSERT_EQ(kit.size(), 16u);
    std::size_t total = 0;
    for (const KitSound& sound : kit) {
        SCOPED_TRACE(sound.name);
        EXPECT_TRUE(sound.name.ends_with(".wav"));
        EXPECT_EQ(sound.sound.sampleRate, kDefaultKitRate);
        ASSERT_GT(sound.sound.bytes.size(), 100u);
        EXPECT_NEAR(sound.sound.bytes.front(), 128, 2);
        EXPECT_NEAR(sound.sound.bytes.back(), 128, 2);
        const auto [low, high] =
            std::minmax_element(sound.sound.bytes.begin(), sound.sound.bytes.end());
        EXPECT_GT(*high - *low, 100) << "too quiet to hear";
        total += sound.sound.bytes.size();
    }
    EXPECT_LE(total, 16384u);
}

TEST(DefaultKit, VoicesAreOrderedByBrightnessAsTheirNamesSay) {
    std::map<std::string, double> rate;
    for (const KitSound& sound : defaultKit()) {
        rate[sound.name] = crossingRate(sound.sound.bytes);
    }
    EXPECT_LT(rate["kick.wav"], rate["lowtom.wav"]);
    EXPECT_LT(rate["lowtom.wav"], rate["hitom.wav"]);
    EXPECT_LT(rate["hitom.wav"], rate["snare.wav"]);
    EXPECT_LT(rate["snare.wav"], rate["hihat.wav"]);
    // 250 Hz at 8000 Hz: two crossings every 32 samples
    for (const char* tone : {"sine.wav", "square.wav", "triangle.wav", "saw.wav", "pulse.wav"}) {
        EXPECT_NEAR(rate[tone], 2.0 / 32.0, 0.01) << tone;
    }
    EXPECT_GT(rate["noise.wav"], 0.3);
}

} // namespace
} // namespace wtb
