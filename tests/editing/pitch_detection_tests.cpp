#include "editing/BandLimited.h"
#include "editing/PitchDetection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace wtb {
namespace {

// A signal rounded to 8-bit steps, as a slot holds it.
std::vector<double> steps(std::int32_t count, const std::function<double(double)>& signal) {
    std::vector<double> levels(static_cast<std::size_t>(count));
    for (std::int32_t n = 0; n < count; ++n) {
        levels[static_cast<std::size_t>(n)] = std::round(signal(n));
    }
    return levels;
}

double sine(double cycles) {
    return std::sin(2 * M_PI * cycles);
}

TEST(FundamentalPeriod, FindsThePeriodOfTheFundamentalNotOfAPartial) {
    struct Case {
        const char* name;
        double period;
        std::function<double(double)> wave; // of the phase in cycles
        double cents = 0.1;                 // within
    };
    const std::vector<Case> cases{
        {"sine", 8000 / 261.63, [](double p) { return 100 * sine(p); }},
        {"sine on an offset", 37.3, [](double p) { return 40 + 60 * sine(p); }},
        // an offset would make every lag look alike, the half period first among them
        {"quiet sine on a large offset", 83.1, [](double p) { return 110 + 12 * sine(p); }, 1.0},
        {"fundamental 12 dB below its octave", 61.7,
         [](double p) { return 25 * sine(p) + 100 * sine(2 * p); }},
        {"strong third partial", 101.9, [](double p) { return 50 * sine(p) + 70 * sine(3 * p); }},
        // near half the rate, where the interpolation between lags is least exact
        {"shortest period", 4.3, [](double p) { return 100 * sine(p); }, 1.0},
        {"longest period", 8000 / 21.0, [](double p) { return 100 * sine(p) + 30 * sine(2 * p); }},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const std::vector<double> levels =
            steps(16000, [&](double n) { return each.wave(n / each.period); });
        const Pitch pitch = fundamentalPeriod(levels, 8000, 8000);
        ASSERT_EQ(pitch.finding, PitchFinding::Found);
        EXPECT_NEAR(1200 * std::log2(pitch.period / each.period), 0.0, each.cents) << pitch.period;
    }
}

TEST(FundamentalPeriod, SaysWhyWhenThereIsNoPitch) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> level(-100, 100);
    struct Case {
        const char* name;
        std::vector<double> levels;
        std::int32_t at;
        PitchFinding finding;
    };
    const std::vector<Case> cases{
        {"silence", std::vector<double>(4000, 0.0), 2000, PitchFinding::Silent},
        {"a steady offset", std::vector<double>(4000, 17.0), 10, PitchFinding::Silent},
        {"noise", steps(4000, [&](double) { return level(random); }), 2000,
         PitchFinding::NoSteadyPitch},
        {"fifteen samples", steps(15, [](double n) { return 100 * sine(n / 4); }), 7,
         PitchFinding::TooShort},
        // a sweep from 100 Hz to 1000 Hz within 0.1 s
        {"a glide", steps(800, [](double n) { return 100 * sine(100 * n / 8000 * (1 + n / 178)); }),
         400, PitchFinding::NoSteadyPitch},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        EXPECT_EQ(fundamentalPeriod(each.levels, each.at, 8000).finding, each.finding);
    }
}

TEST(FundamentalPeriod, MeasuresAroundTheIndexWhereThePitchChanges) {
    // 200 Hz for a second, then 300 Hz for a second
    const std::vector<double> levels = steps(16000, [](double n) {
        return n < 8000 ? 90 * sine(n * 200 / 8000) : 90 * sine(n * 300 / 8000);
    });
    EXPECT_NEAR(8000 / fundamentalPeriod(levels, 3000, 8000).period, 200.0, 0.1);
    EXPECT_NEAR(8000 / fundamentalPeriod(levels, 13000, 8000).period, 300.0, 0.1);
}

TEST(BandLimitedReader, ReadsTheSoundBetweenItsSamplesAndDropsWhatLiesAboveTheCutoff) {
    struct Case {
        double frequency; // of the sound's half rate
        double cutoff;
        double gain; // expected
    };
    for (const Case& each : {Case{0.05, 1.0, 1.0}, Case{0.6, 1.0, 1.0}, Case{0.2, 0.5, 1.0},
                             Case{0.7, 0.5, 0.0}, Case{0.9, 0.3, 0.0}}) {
        SCOPED_TRACE(testing::Message() << each.frequency << " through " << each.cutoff);
        std::vector<double> samples(400);
        for (std::size_t n = 0; n < samples.size(); ++n) {
            samples[n] = std::cos(M_PI * each.frequency * double(n));
        }
        const BandLimitedReader reader(samples, each.cutoff);
        for (const double position : {200.0, 200.25, 200.5, 201.9}) {
            EXPECT_NEAR(reader(position), each.gain * std::cos(M_PI * each.frequency * position),
                        0.002)
                << position;
        }
    }
    // outside the samples: one wrap further in, or nothing
    const std::vector<double> ramp{0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_NEAR(BandLimitedReader(ramp, 1.0, 4)(-1.0), 3.0, 1e-9);
    EXPECT_NEAR(BandLimitedReader(ramp, 1.0, 4)(9.0), 5.0, 1e-9);
    EXPECT_NEAR(BandLimitedReader(ramp, 1.0)(9.0), 0.0, 1e-9);
}

} // namespace
} // namespace wtb
