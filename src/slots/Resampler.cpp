#include "slots/Resampler.h"

#include "slots/SlotFault.h"

#include <soxr.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

namespace wtb {

void checkTargetRate(std::int32_t rate) {
    if (rate < kLowestTargetRate || rate > kHighestTargetRate) {
        raise(ErrorKind::Bounds, SlotFault::TargetRateOutside,
              {{"rate", rate}, {"lowest", kLowestTargetRate}, {"highest", kHighestTargetRate}});
    }
}

std::int64_t resampledLength(std::int64_t size, std::int32_t fromRate, std::int32_t toRate) {
    return std::llround(double(size) * toRate / fromRate);
}

std::int64_t lowestRateKeepingASample(std::int64_t size, std::int32_t fromRate) {
    std::int64_t rate = std::max<std::int64_t>(1, fromRate / (2 * std::max<std::int64_t>(size, 1)));
    while (resampledLength(size, fromRate,
                           static_cast<std::int32_t>(std::min<std::int64_t>(rate, INT32_MAX))) <
               1 &&
           rate < INT32_MAX) {
        ++rate;
    }
    return rate;
}

struct StreamResampler::Handle {
    soxr_t soxr = nullptr;
    ~Handle() { soxr_delete(soxr); }
};

namespace {

[[noreturn]] void raiseResampleError(std::int32_t fromRate, std::int32_t toRate,
                                     soxr_error_t error) {
    raise(ErrorKind::Sound, SlotFault::ConversionRefused,
          {{"from", fromRate}, {"to", toRate}, {"reason", soxr_strerror(error)}});
}

} // namespace

StreamResampler::StreamResampler(std::int32_t fromRate, std::int32_t toRate)
    : handle_(std::make_unique<Handle>()), ratio_(double(toRate) / double(fromRate)) {
    if (fromRate < 1) {
        raise(ErrorKind::Sound, SlotFault::SourceRateUnusable, {{"from", fromRate}});
    }
    checkTargetRate(toRate);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    handle_->soxr = soxr_create(fromRate, toRate, 1, &error, &io, &quality, nullptr);
    if (error) {
        raiseResampleError(fromRate, toRate, error);
    }
}

StreamResampler::~StreamResampler() = default;

std::span<const double> StreamResampler::process(std::span<const double> input) {
    if (input.empty()) {
        return {}; // an empty span may have no address, and no input address means the end
    }
    return run(input.data(), input.size());
}

std::span<const double> StreamResampler::finish() {
    return run(nullptr, 0);
}

// soxr takes only as much input as the output room allows, and holds back a filter's length
// of it: keep offering room until the input is used up and the output stops filling it.
std::span<const double> StreamResampler::run(const double* input, std::size_t length) {
    const auto room = static_cast<std::size_t>(std::ceil(double(length) * ratio_)) + 4096;
    output_.resize(room);
    std::size_t produced = 0;
    for (;;) {
        std::size_t used = 0;
        std::size_t done = 0;
        const std::size_t free = output_.size() - produced;
        const soxr_error_t error = soxr_process(handle_->soxr, input, length, &used,
                                                output_.data() + produced, free, &done);
        if (error) {
            raise(ErrorKind::Sound, SlotFault::ConversionFailed,
                  {{"reason", soxr_strerror(error)}});
        }
        produced += done;
        if (input) {
            input += used;
        }
        length -= used;
        if (length == 0 && done < free) {
            break;
        }
        output_.resize(output_.size() + room);
    }
    return std::span<const double>(output_.data(), produced);
}

std::vector<double> resampleSamples(std::span<const double> input, std::int32_t fromRate,
                                    std::int32_t toRate) {
    StreamResampler resampler(fromRate, toRate);
    const std::span<const double> body = resampler.process(input);
    std::vector<double> output(body.begin(), body.end());
    const std::span<const double> tail = resampler.finish();
    output.insert(output.end(), tail.begin(), tail.end());
    return output;
}

} // namespace wtb
