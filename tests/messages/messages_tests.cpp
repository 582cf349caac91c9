#include "common/MemoryRoom.h"
#include "editing/EditFault.h"
#include "messages/DomainMessages.h"
#include "messages/Messages.h"
#include "slots/Resampler.h"
#include "slots/Slot.h"
#include "slots/SlotFault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace wtb {
namespace {

RuntimeError caught(const auto& work) {
    try {
        work();
    } catch (const RuntimeError& error) {
        return error;
    }
    ADD_FAILURE() << "nothing was raised";
    return RuntimeError(ErrorKind::Internal, "");
}

// A fault raised deep down carries its facts, and reads as a sentence made from them.
TEST(FaultMessages, AFaultCarriesItsFactsAndReadsAsItsSentence) {
    const RuntimeError error = caught([] { checkTargetRate(1); });
    EXPECT_TRUE(error.is(SlotFault::TargetRateOutside));
    EXPECT_FALSE(error.is(SlotFault::SampleIndexOutside));
    EXPECT_EQ(error.kind(), ErrorKind::Bounds);
    EXPECT_EQ(error.facts().number("rate"), 1);
    EXPECT_EQ(error.facts().number("highest"), kHighestTargetRate);
    EXPECT_EQ(std::string(error.what()), faultMessage(error));
    EXPECT_NE(std::string(error.what()).find("The target rate 1 Hz is outside"), std::string::npos);

    const Samples samples(std::vector<std::uint8_t>(3, 128));
    const RuntimeError outside = caught([&] { (void)samples[3]; });
    EXPECT_EQ(outside.facts(), (Facts{{"index", 3}, {"last", 2}}));
}

TEST(FaultMessages, AFaultWithAMissingOrMistypedFactIsTheProgramsOwn) {
    for (const Facts& facts : {Facts{{"index", 3}}, Facts{{"index", 3}, {"last", "two"}}}) {
        const RuntimeError error = caught([&] {
            throw RuntimeError(ErrorKind::Bounds, faultCode(SlotFault::SampleIndexOutside), facts);
        });
        EXPECT_EQ(error.kind(), ErrorKind::Internal);
        EXPECT_NE(std::string(error.what()).find("\"last\""), std::string::npos) << error.what();
    }
}

// A fault raised because of another says both, and keeps the cause for a caller to look at.
TEST(FaultMessages, ACauseIsKeptAndItsSentenceFollows) {
    const RuntimeError cause = caught([] { checkTargetRate(1); });
    const RuntimeError error = caught([&] {
        raiseBecause(cause, ErrorKind::Sound, SlotFault::ConversionFailed, {{"reason", "x"}});
    });
    ASSERT_NE(error.cause(), nullptr);
    EXPECT_TRUE(error.cause()->is(SlotFault::TargetRateOutside));
}

TEST(FaultMessages, WithoutAWordingAFaultReadsAsItsCodeAndFacts) {
    installFaultWording(nullptr);
    const RuntimeError error = caught([] { checkTargetRate(1); });
    installMessages();
    EXPECT_EQ(std::string(error.what()).substr(0, 6), "fault ");
    EXPECT_NE(std::string(error.what()).find("rate=1"), std::string::npos) << error.what();
}

// More memory than any machine has: the fault names the result and both sizes, in gigabytes.
TEST(FaultMessages, AResultThatCannotBeHeldSaysWhatItNeedsAndWhatCanBeHad) {
    constexpr std::uint64_t kExabytes = std::uint64_t{1} << 62;
    const RuntimeError reading = caught([] {
        requireMemoryFor(kExabytes, SlotFault::ReadingNeedsMemory,
                         {{"file", "long.wav"}, {"samples", 7}});
    });
    EXPECT_TRUE(reading.is(SlotFault::ReadingNeedsMemory));
    EXPECT_EQ(reading.kind(), ErrorKind::Bounds);
    EXPECT_EQ(reading.facts().number("bytes"), static_cast<std::int64_t>(kExabytes));
    EXPECT_LT(reading.facts().number("room"), reading.facts().number("bytes"));
    const std::string text = reading.what();
    EXPECT_EQ(text.substr(0, 83), "Reading the sound file \"long.wav\" as 7 samples would need "
                                  "4294967296.0 GB of memory");
    EXPECT_EQ(text.substr(text.size() - 12), " can be had.") << text;

    const RuntimeError converting = caught([] {
        requireMemoryFor(kExabytes, EditFault::ResampleNeedsMemory,
                         {{"samples", 1}, {"fromRate", 8000}, {"length", 12}, {"toRate", 96000}});
    });
    EXPECT_EQ(std::string(converting.what()).substr(0, 64),
              "converting its 1 sample at 8000 Hz to 12 samples at 96000 Hz wou");
}

TEST(FaultMessages, CountsAreGroupedByThousands) {
    for (const auto& [number, text] : {std::pair<std::int64_t, const char*>{0, "0"},
                                       {999, "999"},
                                       {1000, "1,000"},
                                       {11827, "11,827"},
                                       {-1234567, "-1,234,567"},
                                       {INT64_MIN, "-9,223,372,036,854,775,808"}}) {
        EXPECT_EQ(groupedNumber(number), text);
    }
}

} // namespace
} // namespace wtb
