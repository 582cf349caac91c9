#include "editing/PitchDetection.h"

#include "editing/BandLimited.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace wtb {

namespace {

// The first dip of the normalised difference below this is the period (YIN's usual value).
constexpr double kDipThreshold = 0.15;
// No dip as low as this anywhere: the sound does not repeat itself (white noise stays near 1).
constexpr double kAperiodicLimit = 0.45;
// The refinement measures at most this many periods on either side of the index.
constexpr double kPeriodsEachSide = 16.0;
// A lag whose normalised correlation is below this no longer finds the same waveform.
constexpr double kLeastLikeness = 0.5;
// Of the first estimate's fractions and multiples, the shortest whose correlation comes this
// close to the best is the period: a fundamental 12 dB below its octave correlates 0.88 at half
// its period, against 1 at its period, so YIN's pick of the half is undone; the fractions undo
// a pick of a multiple.
constexpr double kOctaveMargin = 0.03;
constexpr std::array<double, 6> kPeriodRatios{1.0 / 4, 1.0 / 3, 1.0 / 2, 1.0, 2.0, 3.0};
constexpr double kChoicePeriodsEachSide = 4.0;
// Whole lags searched either side of the lag the last estimate predicts.
constexpr std::int32_t kLagSearch = 2;
// Lags computed beyond the searched ones, for the interpolation between them.
constexpr std::int32_t kLagReach = 18;

std::int32_t clampedStart(std::int32_t at, std::int32_t width, std::int32_t size) {
    return std::clamp(at - width / 2, std::int32_t{0}, size - width);
}

struct Coarse {
    PitchFinding finding = PitchFinding::NoSteadyPitch;
    double period = 0.0;
};

// YIN over a frame of two longest periods centred on `at`.
Coarse coarsePeriod(std::span<const double> samples, std::int32_t at, std::int32_t sampleRate) {
    const auto size = static_cast<std::int32_t>(samples.size());
    const std::int32_t longest =
        std::min(static_cast<std::int32_t>(sampleRate / kLowestFundamental), size / 2);
    if (longest < 2 * kShortestPeriod) {
        return {PitchFinding::TooShort};
    }
    const std::span<const double> frame =
        samples.subspan(static_cast<std::size_t>(clampedStart(at, 2 * longest, size)),
                        static_cast<std::size_t>(2 * longest));
    if (std::all_of(frame.begin(), frame.end(), [&](double value) { return value == frame[0]; })) {
        return {PitchFinding::Silent};
    }
    // normalised[lag] = difference(lag) / (mean difference over lags 1..lag)
    std::vector<double> normalised(static_cast<std::size_t>(longest) + 1, 1.0);
    double runningSum = 0.0;
    for (std::int32_t lag = 1; lag <= longest; ++lag) {
        double difference = 0.0;
        for (std::int32_t j = 0; j < longest; ++j) {
            const double step = frame[j] - frame[j + lag];
            difference += step * step;
        }
        runningSum += difference;
        normalised[lag] = runningSum > 0.0 ? difference * lag / runningSum : 1.0;
    }
    std::int32_t best = -1;
    for (std::int32_t lag = kShortestPeriod; lag < longest; ++lag) {
        if (normalised[lag] < kDipThreshold) {
            best = lag;
            while (best + 1 < longest && normalised[best + 1] < normalised[best]) {
                ++best;
            }
            break;
        }
    }
    if (best < 0) {
        const auto deepest =
            std::min_element(normalised.begin() + kShortestPeriod, normalised.begin() + longest);
        if (*deepest >= kAperiodicLimit) {
            return {PitchFinding::NoSteadyPitch};
        }
        best = static_cast<std::int32_t>(deepest - normalised.begin());
    }
    // The parabola through the dip and its neighbours.
    const double before = normalised[best - 1];
    const double here = normalised[best];
    const double after = normalised[best + 1];
    const double curvature = before - 2.0 * here + after;
    const double offset = curvature > 0.0 ? 0.5 * (before - after) / curvature : 0.0;
    return {PitchFinding::Found, best + std::clamp(offset, -0.5, 0.5)};
}

struct Region {
    std::int32_t begin = 0;
    std::int32_t end = 0;
};

// The samples within `reach` either side of `at`, and the lags searched and interpolated
// beyond them, as far as the samples go.
Region regionAround(std::span<const double> samples, std::int32_t at, double reach) {
    const auto size = static_cast<std::int32_t>(samples.size());
    const double wanted = 2.0 * (reach + kLagSearch + kLagReach);
    const std::int32_t width = wanted >= size ? size : static_cast<std::int32_t>(wanted);
    const std::int32_t begin = clampedStart(at, width, size);
    return {begin, begin + width};
}

struct LagPeak {
    double lag = 0.0;
    double likeness = 0.0; // the normalised correlation there, 1 for the same waveform
};

// The lag near `predicted` at which the samples from `begin` best match themselves, read
// between whole lags; nothing when the samples up to `end` leave less than the lag to compare.
std::optional<LagPeak> correlationPeak(std::span<const double> samples, std::int32_t begin,
                                       std::int32_t end, double predicted) {
    const auto centre = static_cast<std::int32_t>(std::lround(predicted));
    const std::int32_t lowest = centre - kLagSearch - kLagReach;
    const std::int32_t highest = centre + kLagSearch + kLagReach;
    const std::int32_t first = begin + std::max(0, -lowest); // the fixed window's start
    const std::int32_t width = end - first - highest;        // and its length
    if (centre < 1 || width < centre) {
        return std::nullopt;
    }
    // Measured from the samples' mean, so a steady offset adds nothing alike to every lag.
    double mean = 0.0;
    for (std::int32_t j = begin; j < end; ++j) {
        mean += samples[static_cast<std::size_t>(j)];
    }
    mean /= end - begin;
    const auto at = [&](std::int32_t index) {
        return samples[static_cast<std::size_t>(index)] - mean;
    };
    double fixedEnergy = 0.0;
    for (std::int32_t j = first; j < first + width; ++j) {
        fixedEnergy += at(j) * at(j);
    }
    const auto count = static_cast<std::size_t>(highest - lowest + 1);
    std::vector<double> products(count);
    std::vector<double> energies(count);
    for (std::int32_t lag = lowest; lag <= highest; ++lag) {
        double product = 0.0;
        double energy = 0.0;
        for (std::int32_t j = first; j < first + width; ++j) {
            product += at(j) * at(j + lag);
            energy += at(j + lag) * at(j + lag);
        }
        products[static_cast<std::size_t>(lag - lowest)] = product;
        energies[static_cast<std::size_t>(lag - lowest)] = energy;
    }
    // The products follow the sound's own band, so they are read between lags as the sound is;
    // the energy changes by a sample's worth per lag and is read on a straight line.
    const BandLimitedReader product(products, 1.0);
    const auto likeness = [&](double lag) {
        const double position = lag - lowest;
        const auto below = static_cast<std::size_t>(std::floor(position));
        const double fraction = position - double(below);
        const double energy =
            energies[below] +
            (energies[std::min(below + 1, count - 1)] - energies[below]) * fraction;
        const double denominator = std::sqrt(fixedEnergy * energy);
        return denominator > 0.0 ? product(position) / denominator : 0.0;
    };
    std::int32_t best = centre - kLagSearch;
    for (std::int32_t lag = best + 1; lag <= centre + kLagSearch; ++lag) {
        if (likeness(lag) > likeness(best)) {
            best = lag;
        }
    }
    // Golden-section search for the peak within a lag either side of the best whole lag.
    constexpr double kGolden = 0.6180339887498949;
    double low = best - 1.0;
    double high = best + 1.0;
    double left = high - kGolden * (high - low);
    double right = low + kGolden * (high - low);
    double leftValue = likeness(left);
    double rightValue = likeness(right);
    while (high - low > 1e-7) {
        if (leftValue > rightValue) {
            high = right;
            right = left;
            rightValue = leftValue;
            left = high - kGolden * (high - low);
            leftValue = likeness(left);
        } else {
            low = left;
            left = right;
            leftValue = rightValue;
            right = low + kGolden * (high - low);
            rightValue = likeness(right);
        }
    }
    const double lag = 0.5 * (low + high);
    return LagPeak{lag, likeness(lag)};
}

} // namespace

Pitch fundamentalPeriod(std::span<const double> samples, std::int32_t at, std::int32_t sampleRate) {
    const Coarse coarse = coarsePeriod(samples, at, sampleRate);
    if (coarse.finding != PitchFinding::Found) {
        return {coarse.finding};
    }
    // The fractions and multiples are told apart over fewer periods than the refinement
    // measures: enough for the longest, three periods, to be compared with the next three.
    const Region choosing = regionAround(samples, at, kChoicePeriodsEachSide * coarse.period);
    std::vector<LagPeak> choices;
    for (const double ratio : kPeriodRatios) {
        if (coarse.period * ratio < kShortestPeriod) {
            continue;
        }
        if (const auto peak =
                correlationPeak(samples, choosing.begin, choosing.end, coarse.period * ratio)) {
            choices.push_back(*peak);
        }
    }
    double period = coarse.period;
    std::int32_t periods = 1; // the lag of the next refinement, in periods
    if (!choices.empty()) {
        const double bestLikeness = std::max_element(choices.begin(), choices.end(),
                                                     [](const LagPeak& a, const LagPeak& b) {
                                                         return a.likeness < b.likeness;
                                                     })
                                        ->likeness;
        if (bestLikeness < kLeastLikeness) {
            return {PitchFinding::NoSteadyPitch}; // not even the next period is alike
        }
        period = std::find_if(choices.begin(), choices.end(), [&](const LagPeak& choice) {
                     return choice.likeness >= bestLikeness - kOctaveMargin;
                 })->lag;
        periods = 2;
    }
    const Region measuring = regionAround(samples, at, kPeriodsEachSide * period);
    for (;; periods *= 2) {
        const std::optional<LagPeak> peak =
            correlationPeak(samples, measuring.begin, measuring.end, periods * period);
        if (!peak || peak->likeness < kLeastLikeness) {
            break; // no room for a longer lag, or no longer alike: the estimate so far stands
        }
        period = peak->lag / periods;
    }
    return {PitchFinding::Found, period};
}

} // namespace wtb
