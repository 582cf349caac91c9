#pragma once

#include "slots/Slot.h"

#include <QColor>

#include <cstdint>
#include <functional>

class QPainter;

namespace wtb {

// The loop's colours: a pale band behind the trace over the samples that repeat, between two
// lines at the loop's first and last sample.
inline const QColor kLoopBand = QColor(255, 236, 179);
inline const QColor kLoopEdges = QColor(230, 120, 0);

// Where the picture stands sample `index`: its x in the picture's pixels. The picture takes it
// from one place for the end marker and the loop, so a view that shows part of the sound
// changes it once.
using SampleToX = std::function<std::int32_t(std::int32_t index)>;

// Draws `loop` into a picture `height` pixels high: every column from the loop start's x to
// its end's x in the band colour, then one column at each of those two in the edge colour.
// Only those columns are touched; what lies outside the picture is clipped. Drawn on the blank
// ground, before the lines and the trace, which stay on top of it.
void drawLoopOverlay(QPainter& painter, const Loop& loop, const SampleToX& xOf,
                     std::int32_t height);

} // namespace wtb
