#include "common/RoundHalfEven.h"

#include "common/RuntimeError.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace wtb {

std::int32_t toInt32HalfEven(double value) {
    // std::nearbyint rounds in the current mode, which is round-to-nearest-even unless
    // somebody changed it; roundeven-by-hand keeps the result independent of that.
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) {
        rounded += 1.0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(rounded >= lowest && rounded <= highest)) {
        std::ostringstream message;
        message.precision(17);
        message << "Arithmetic overflow: " << value << " does not fit in a 32-bit integer.";
        raise(ErrorKind::Overflow, message.str());
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace wtb
