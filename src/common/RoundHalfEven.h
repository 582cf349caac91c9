#pragma once

#include <cstdint>

namespace wtb {

// Converts to the nearest 32-bit integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// NaN, infinities and values outside the 32-bit range raise an overflow error.
std::int32_t toInt32HalfEven(double value);

} // namespace wtb
