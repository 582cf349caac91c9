// The player's options as the window remembers them, and the trigger pins as typed.
#include "common/Preferences.h"
#include "workspace/Choices.h"

#include <gtest/gtest.h>

namespace wtb {
namespace {

TEST(TriggerPinsText, ReadsPairsAndRefusesWhatThePlayerCannotTake) {
    using Pins = std::vector<TriggerPin>;
    for (const auto& [text, pins] : {
             std::pair{"", Pins{}},
             std::pair{" ", Pins{}},
             std::pair{"1=2", Pins{{1, 2}}},
             std::pair{"16=69, 3 = 0", Pins{{16, 69}, {3, 0}}},
         }) {
        EXPECT_EQ(triggerPinsFromText(text), pins) << text;
        EXPECT_EQ(triggerPinsFromText(triggerPinsText(pins)), pins) << text;
    }
    for (const char* text : {"1", "1=", "=2", "0=2", "17=2", "1=70", "1=-1", "1=2,1=3", "1=2,2=2",
                             "1=2,", "a=b", "1=2=3", "1:2"}) {
        EXPECT_EQ(triggerPinsFromText(text), std::nullopt) << text;
    }
}

TEST(PlayerChoices, AreRememberedAndAHandEditReadsAsTheDefault) {
    const PlayerOptions chosen{6, 0, true, kUsbMidiBaud, {{2, 7}, {5, 8}}};
    rememberPlayerOptions(chosen);
    EXPECT_EQ(rememberedPlayerOptions(), chosen);

    setPreferredPlayerVoices(9);
    setPreferredPlayerMidiBaud(9600);
    setPreferredPlayerPins(QStringLiteral("2=7,2=8"));
    const PlayerOptions read = rememberedPlayerOptions();
    EXPECT_EQ(read.voices, 1);
    EXPECT_EQ(read.midiBaud, kDinMidiBaud);
    EXPECT_TRUE(read.pins.empty());
    EXPECT_TRUE(read.midi);
}

} // namespace
} // namespace wtb
