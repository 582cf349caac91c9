#pragma once

#include <cstdint>

namespace wtb {

// The view's colours, as 0xBBGGRR numbers (red in the low byte).
inline constexpr std::uint32_t kRedLine = 0x0000FF;     // start line and zero line
inline constexpr std::uint32_t kGreenMarker = 0x00FF00; // end marker
inline constexpr std::uint32_t kBlueTrace = 0xFF0000;   // sample polyline

// Maps X from InMin..InMax onto OutMin..OutMax in double precision and rounds the result to the
// nearest 32-bit integer, halves to even. Nothing is clamped: an X outside the input range maps
// outside the output range, and a reversed output range turns the axis over. A zero-width input
// range, an overflow in the difference of the outputs, and a result outside 32 bits raise.
std::int32_t ScaleValue(float X, float InMin, std::int32_t InMax, std::int32_t OutMin,
                        std::int32_t OutMax);

// The x position of sample `index` of a slot whose last index is `lastIndex`, in a box `Wr`
// units wide. A one-sample slot has no width to spread over: everything it shows (its sample
// and its end marker, wherever the end index points) stands at x = 0.
std::int32_t indexToX(std::int32_t index, std::int32_t lastIndex, std::int32_t Wr);

// The y position of a sample byte in a box `Hr` units high: 255 at the top, 0 at the bottom.
std::int32_t byteToY(std::uint8_t sample, std::int32_t Hr);

} // namespace wtb
