#pragma once

#include <cstdint>
#include <span>

class QPainter;

namespace wtb::test {

// The waveform's sample polyline drawn as it is defined: one painter call per sample. The
// reference the window's fast renderer is held to, and measured against.
void drawTraceLiteral(QPainter& painter, std::span<const std::uint8_t> samples, std::int32_t Wr,
                      std::int32_t Hr);

} // namespace wtb::test
