#pragma once

#include "window/WaveformMapping.h"

#include <cstdint>
#include <span>

class QPainter;

namespace wtb::test {

// The waveform's sample polyline drawn as it is defined: one painter call per sample. The
// reference the window's fast renderer is held to, and measured against. Sample i stands at
// mapping.xOf(i): the whole sound across the box, or a zoomed part of it.
void drawTraceLiteral(QPainter& painter, std::span<const std::uint8_t> samples,
                      const WaveformMapping& mapping, std::int32_t Hr);

} // namespace wtb::test
