#include "export/PlayerSketch.h"

#include "common/RuntimeError.h"
#include "export/PcmTableSketch.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace wtb {
namespace {

std::string tableOf(std::int32_t samplesPerSlot) {
    SlotBank bank;
    test::fillBank(bank, test::randomSlots(samplesPerSlot, 5));
    return buildSketchText(bank);
}

std::array<std::int32_t, 16> ratesWith(std::size_t index, std::int32_t rate) {
    std::array<std::int32_t, 16> rates{};
    rates.fill(8'000);
    rates[index] = rate;
    return rates;
}

// The table export's text stands in the player unchanged, one array or split, and no line of
// the whole file ends otherwise than in CR LF.
TEST(PlayerSketchText, HoldsTheTableUnchangedWithCrLfLineEnds) {
    for (std::int32_t perSlot : {20, 2'500}) {
        SCOPED_TRACE(perSlot);
        const std::string table = tableOf(perSlot);
        const std::string text = buildPlayerHeaderText(table, ratesWith(0, 8'000), {});
        EXPECT_NE(text.find(table), std::string::npos);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "a lone LF at " << i;
            } else if (text[i] == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "a lone CR at " << i;
            }
        }
    }
}

// A rate the player cannot clock, in any slot, is refused with the slot and the rate named;
// the limits themselves and 0 (a slot without a rate) are taken.
TEST(PlayerSketchText, RefusesRatesOutsideWhatThePlayerClocks) {
    const std::string table = tableOf(20);
    const struct {
        std::size_t index;
        std::int32_t rate;
        bool taken;
    } cases[] = {
        {0, 0, true},
        {1, 1, true},
        {15, kPlayerHighestRate, true},
        {2, 44'100, true},
        {0, -1, false},
        {6, kPlayerHighestRate + 1, false},
        {15, 192'000, false},
        {9, std::numeric_limits<std::int32_t>::max(), false},
        {4, std::numeric_limits<std::int32_t>::min(), false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::to_string(each.index + 1) + " at " + std::to_string(each.rate));
        const auto rates = ratesWith(each.index, each.rate);
        if (each.taken) {
            EXPECT_NO_THROW(buildPlayerHeaderText(table, rates, {}));
            continue;
        }
        try {
            buildPlayerHeaderText(table, rates, {});
            ADD_FAILURE() << "the rate was taken";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
            const std::string message = error.what();
            EXPECT_NE(message.find("Slot " + std::to_string(each.index + 1) + " "),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find(std::to_string(each.rate)), std::string::npos) << message;
        }
    }
}

} // namespace
} // namespace wtb
