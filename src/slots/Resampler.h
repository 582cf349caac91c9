#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace wtb {

// The rates a sound can be converted to: what a player on the board can run at, with room on
// either side.
inline constexpr std::int32_t kLowestTargetRate = 1000;
inline constexpr std::int32_t kHighestTargetRate = 96000;

// Raises a bounds error naming the rate when it is outside kLowestTargetRate..kHighestTargetRate.
void checkTargetRate(std::int32_t rate);

// How many samples `size` samples at `fromRate` become at `toRate`: round(size * toRate /
// fromRate), so a sound of a sample or two can come out empty when the rate drops.
std::int64_t resampledLength(std::int64_t size, std::int32_t fromRate, std::int32_t toRate);

// The lowest rate at which `size` samples at `fromRate` still give one sample.
std::int64_t lowestRateKeepingASample(std::int64_t size, std::int32_t fromRate);

// A high-quality, anti-aliased sample-rate converter for one channel of samples in -1..1,
// fed block by block so a long sound never has to be held whole. The output of all blocks and
// the final flush together is the whole converted sound.
class StreamResampler {
public:
    StreamResampler(std::int32_t fromRate, std::int32_t toRate);
    ~StreamResampler();
    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

    // Converts the next block of input; the result is valid until the next call.
    std::span<const double> process(std::span<const double> input);

    // Marks the end of the input and gives the samples still held back.
    std::span<const double> finish();

private:
    std::span<const double> run(const double* input, std::size_t length);

    struct Handle;
    std::unique_ptr<Handle> handle_;
    double ratio_;
    std::vector<double> output_;
};

// The whole of `input` converted at once.
std::vector<double> resampleSamples(std::span<const double> input, std::int32_t fromRate,
                                    std::int32_t toRate);

} // namespace wtb
