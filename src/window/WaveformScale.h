#pragma once

#include <cstdint>

namespace wtb {

// Maps `value` from inMin..inMax onto outMin..outMax in double precision and rounds the result to
// the nearest 32-bit integer, halves to even. Nothing is clamped: a value outside the input range
// maps outside the output range, and a reversed output range turns the axis over. A zero-width
// input range, an overflow in the difference of the outputs, and a result outside 32 bits raise.
std::int32_t scaleValue(float value, float inMin, std::int32_t inMax, std::int32_t outMin,
                        std::int32_t outMax);

// The x position of sample `index` of a slot whose last index is `lastIndex`, in a box `width`
// units wide. A one-sample slot has no width to spread over: everything it shows (its sample
// and its end marker, wherever the end index points) stands at x = 0.
std::int32_t indexToX(std::int32_t index, std::int32_t lastIndex, std::int32_t width);

// The sample under x position `x` of a box `width` units wide showing a slot whose last index
// is `lastIndex`: the inverse of indexToX, rounded to the nearest sample and kept inside
// 0..lastIndex, so a pointer on the box's edge still names a sample.
std::int32_t xToIndex(double x, std::int32_t lastIndex, double width);

// The y position of a sample byte in a box `height` units high: 255 at the top, 0 at the bottom.
std::int32_t byteToY(std::uint8_t sample, std::int32_t height);

} // namespace wtb
