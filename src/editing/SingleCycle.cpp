#include "editing/SingleCycle.h"

#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"
#include "editing/BandLimited.h"
#include "editing/EditFault.h"
#include "editing/LoopSeam.h"
#include "editing/Normalise.h"
#include "editing/PitchDetection.h"
#include "slots/Resampler.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace wtb {

namespace {

// The interpolation keeps partials up to this fraction of the lower of the sound's and the
// table's half rates; the window's roll-off takes the rest of the way to that half rate.
constexpr double kPassFraction = 0.9;
// The most crossings tried when the best-matching one still leaves a seam jump.
constexpr std::size_t kCrossingsTried = 8;

[[noreturn]] void raiseNoPitch(PitchFinding finding, std::int32_t at) {
    switch (finding) {
    case PitchFinding::TooShort:
        raise(ErrorKind::Sound, EditFault::PitchSoundTooShort, {{"needed", 4 * kShortestPeriod}});
    case PitchFinding::Silent:
        raise(ErrorKind::Sound, EditFault::PitchSilent, {{"at", at}});
    case PitchFinding::Found:
    case PitchFinding::NoSteadyPitch:
        break;
    }
    raise(ErrorKind::Sound, EditFault::NoSteadyPitch, {{"at", at}});
}

// The table's rate, or a bounds error naming the lengths that would play the pitch. Weighed as
// a real number: a pitch found in a slot at a very high rate may play far beyond 32 bits.
std::int32_t cycleRate(double frequency, std::int32_t length) {
    const auto rateFor = [frequency](std::int32_t cells) {
        return std::nearbyint(double(cells) * frequency);
    };
    const auto playable = [](double rate) {
        return rate >= kLowestTargetRate && rate <= kHighestTargetRate;
    };
    const double rate = rateFor(length);
    if (playable(rate)) {
        return toInt32HalfEven(rate);
    }
    const bool tooHigh = rate > kHighestTargetRate;
    Facts facts{{"pitch", frequency},
                {"cells", length},
                {"rate", std::llround(rate)},
                {"limit", tooHigh ? kHighestTargetRate : kLowestTargetRate}};
    std::int32_t fitting = 0;
    for (std::int32_t cells = kShortestCycle; cells <= kLongestCycle; cells *= 2) {
        if (playable(rateFor(cells)) && (fitting == 0 || tooHigh)) {
            fitting = cells; // the longest that fits when too high, the shortest when too low
        }
    }
    if (fitting == 0) {
        facts.add("shortest", kShortestCycle);
        facts.add("longest", kLongestCycle);
    } else {
        facts.add("fitting", fitting);
    }
    raise(ErrorKind::Bounds,
          tooHigh ? EditFault::PitchTooHighForCells : EditFault::PitchTooLowForCells,
          std::move(facts));
}

// The sound's mean level over the most whole periods (up to 8) centred on `at` that fit.
double centreLevel(std::span<const double> levels, std::int32_t at, double period) {
    const auto size = static_cast<std::int32_t>(levels.size());
    std::int32_t width = size;
    for (int periods = 8; periods >= 1; --periods) {
        const auto candidate = static_cast<std::int32_t>(std::lround(periods * period));
        if (candidate <= size) {
            width = candidate;
            break;
        }
    }
    const std::int32_t begin = std::clamp(at - width / 2, std::int32_t{0}, size - width);
    double sum = 0.0;
    for (std::int32_t j = begin; j < begin + width; ++j) {
        sum += levels[static_cast<std::size_t>(j)];
    }
    return sum / width;
}

struct Crossing {
    double position = 0.0;
    double mismatch = 0.0; // the level one period later, which a perfect match has at 0
};

// The upward crossings of the zero level within the period that starts at `from`, looked for
// at steps of `step` samples: a quarter of the shortest wave the level can hold, so no crossing
// pair hides between two steps.
template <class Level>
std::vector<Crossing> upwardCrossings(const Level& level, double from, double period, double step) {
    std::vector<Crossing> crossings;
    const auto steps = static_cast<std::int64_t>(std::ceil(period / step));
    double previous = level(from);
    for (std::int64_t n = 0; n < steps; ++n) {
        const double next = level(from + double(n + 1) * step);
        if (previous < 0.0 && next >= 0.0) {
            double low = from + double(n) * step;
            double high = low + step;
            for (int halving = 0; halving < 48; ++halving) {
                const double middle = 0.5 * (low + high);
                (level(middle) < 0.0 ? low : high) = middle;
            }
            const double position = 0.5 * (low + high);
            if (position < from + period) {
                crossings.push_back({position, level(position + period)});
            }
        }
        previous = next;
    }
    return crossings;
}

} // namespace

std::int32_t defaultCycleIndex(const Slot& slot) {
    const std::int32_t kept = slot.keptSamples();
    return kept == 0 ? -1 : (kept - 1) / 2;
}

SingleCycle singleCycle(const Slot& slot, std::int32_t length, std::int32_t at) {
    if (!isCycleLength(length)) {
        raise(ErrorKind::Bounds, EditFault::CycleLengthNotAllowed,
              {{"length", length}, {"shortest", kShortestCycle}, {"longest", kLongestCycle}});
    }
    const std::int32_t kept = slot.keptSamples();
    if (kept == 0) {
        raise(ErrorKind::Bounds, EditFault::NoSamplesForCycle);
    }
    if (at < 0 || at >= kept) {
        raise(ErrorKind::Bounds, EditFault::CycleIndexOutside, {{"index", at}, {"last", kept - 1}});
    }
    // The lowest fundamental must fit two periods of the fewest samples a cycle is cut from.
    const auto lowestRate =
        static_cast<std::int32_t>(std::ceil(2 * kShortestPeriod * kLowestFundamental));
    if (slot.sampleRate < lowestRate) {
        raise(ErrorKind::Bounds, EditFault::RateTooLowForPitch,
              {{"rate", slot.sampleRate}, {"pitch", kLowestFundamental}, {"lowest", lowestRate}});
    }
    // Everything below reads at most about 0.9 s either side of `at` (16 periods of the lowest
    // fundamental, and the cut); a second either side keeps a long slot's work the same.
    const std::int64_t reach = std::max(slot.sampleRate, kLowestTargetRate);
    const auto first = static_cast<std::int32_t>(std::max<std::int64_t>(0, at - reach));
    const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(kept, at + reach));
    std::vector<double> sound(static_cast<std::size_t>(last - first));
    const std::span<const std::uint8_t> bytes = slot.samples.bytes();
    std::transform(bytes.begin() + first, bytes.begin() + last, sound.begin(),
                   [](std::uint8_t byte) { return double(byte - 128); });
    const std::int32_t around = at - first;

    const Pitch pitch = fundamentalPeriod(sound, around, slot.sampleRate);
    if (pitch.finding != PitchFinding::Found) {
        raiseNoPitch(pitch.finding, at);
    }
    const double period = pitch.period;
    const double frequency = slot.sampleRate / period;
    const std::int32_t rate = cycleRate(frequency, length);

    const double centre = centreLevel(sound, around, period);
    const double cutoff = kPassFraction * std::min(1.0, length / period);
    const BandLimitedReader reader(sound, cutoff, static_cast<std::int32_t>(std::lround(period)));
    const auto level = [&](double position) { return reader(position) - centre; };
    // The period searched for a crossing is centred on `at`, moved so that the cycle and the
    // samples the interpolation reads around it lie within the sound where it is long enough.
    double earliest = reader.reach();
    double latest = double(sound.size()) - 1 - 2 * period - reader.reach();
    if (latest < earliest) {
        earliest = 0.0;
        latest = std::max(0.0, double(sound.size()) - 1 - 2 * period);
    }
    const double from = std::clamp(around - 0.5 * period, earliest, latest);
    std::vector<Crossing> crossings =
        upwardCrossings(level, from, period, std::min(1.0, 0.25 / cutoff));
    std::sort(crossings.begin(), crossings.end(), [around](const Crossing& a, const Crossing& b) {
        const double aMismatch = std::abs(a.mismatch);
        const double bMismatch = std::abs(b.mismatch);
        if (aMismatch != bMismatch) {
            return aMismatch < bMismatch;
        }
        return std::abs(a.position - around) < std::abs(b.position - around);
    });
    if (crossings.size() > kCrossingsTried) {
        crossings.resize(kCrossingsTried);
    }

    const Loop whole{0, length - 1};
    for (const Crossing& crossing : crossings) {
        std::vector<double> cells(static_cast<std::size_t>(length));
        for (std::int32_t i = 0; i < length; ++i) {
            const double along = double(i) / length;
            cells[static_cast<std::size_t>(i)] =
                level(crossing.position + along * period) - along * crossing.mismatch;
        }
        std::vector<std::uint8_t> table = normaliseLevels(cells);
        const std::int32_t jump = seamJump(table, whole);
        if (jump <= kCycleSeamLimit) {
            Slot result = slot;
            result.samples = Samples(std::move(table));
            result.sampleRate = rate;
            result.endIndex = whole.end;
            result.loop = whole;
            // the pitch it plays, after the rate's rounding, is the one the keys must name
            result.keys = keyRangeOfPitch(double(rate) / length);
            return {std::move(result), frequency, jump};
        }
    }
    raise(ErrorKind::Sound, EditFault::NoSeamlessCycle, {{"at", at}});
}

} // namespace wtb
