#include "window/WaveformScale.h"

#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace wtb {

namespace {

std::string describe(float value, float inMin, std::int32_t inMax, std::int32_t outMin,
                     std::int32_t outMax) {
    std::ostringstream text;
    text.precision(9);
    text << "mapping " << value << " from " << inMin << ".." << inMax << " onto " << outMin << ".."
         << outMax;
    return text.str();
}

} // namespace

std::int32_t scaleValue(float value, float inMin, std::int32_t inMax, std::int32_t outMin,
                        std::int32_t outMax) {
    const auto context = [&] { return describe(value, inMin, inMax, outMin, outMax); };
    const double offset = static_cast<double>(value) - static_cast<double>(inMin);
    if (!std::isfinite(offset)) {
        raise(ErrorKind::Overflow, "Invalid arithmetic while " + context() + ".");
    }
    const std::int32_t outSpan = checkedSub(outMax, outMin);
    const double scaled = offset * static_cast<double>(outSpan);
    const double inSpan = static_cast<double>(inMax) - static_cast<double>(inMin);
    if (inSpan == 0.0) {
        raise(ErrorKind::Overflow,
              std::string(scaled == 0.0 ? "Invalid arithmetic (0 / 0)" : "Division by zero") +
                  " while " + context() + ": the input range is empty.");
    }
    const double mapped = scaled / inSpan + static_cast<double>(outMin);
    if (!std::isfinite(mapped)) {
        raise(ErrorKind::Overflow, "Arithmetic overflow while " + context() + ".");
    }
    return toInt32HalfEven(mapped);
}

std::int32_t indexToX(std::int32_t index, std::int32_t lastIndex, std::int32_t width) {
    if (lastIndex == 0) {
        return 0;
    }
    return scaleValue(static_cast<float>(index), 0.0f, lastIndex, 0, width);
}

std::int32_t byteToY(std::uint8_t sample, std::int32_t height) {
    return scaleValue(static_cast<float>(sample), 0.0f, 255, height, 0);
}

} // namespace wtb
