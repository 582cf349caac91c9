#pragma once

#include "window/WaveformMapping.h"

#include <QLine>

#include <cstdint>
#include <span>
#include <vector>

class QPainter;

namespace wtb {

// The sample polyline of the waveform view: sample i stands at (indexToX(i), byteToY(byte i)),
// the line starts at (0, y of sample 0), and every sample adds one segment from the point
// before it. The polyline's pixels from a handful of segments per column. Samples sharing one x
// form a run whose segments are all vertical, so together they cover the column from the run's
// highest to its lowest point: one vertical segment draws that. The segments between runs are kept
// as they are. At most two segments per column plus one. This rests on the picture box's pen (one
// pixel, square cap, aliased), with which every vertical segment covers the rows between its ends
// inclusive; the tests hold it to the pixels of one painter call per sample.
//
// Zoomed, sample i stands at mapping.xOf(i) and only the samples shown are reduced, with one
// sample either side so the lines leaving the picture are drawn as they would be.
std::vector<QLine> reduceTrace(std::span<const std::uint8_t> samples,
                               const WaveformMapping& mapping, std::int32_t height);
// The whole sound across `width` columns.
std::vector<QLine> reduceTrace(std::span<const std::uint8_t> samples, std::int32_t width,
                               std::int32_t height);

// Draws reduceTrace() in one painter call.
void drawTraceFast(QPainter& painter, std::span<const std::uint8_t> samples,
                   const WaveformMapping& mapping, std::int32_t height);

} // namespace wtb
