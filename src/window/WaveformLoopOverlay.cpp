#include "window/WaveformLoopOverlay.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRect>

#include <algorithm>

namespace wtb {

void drawLoopOverlay(QPainter& painter, const Loop& loop, const SampleToX& xOf,
                     std::int32_t height) {
    // Held to one column either side of the picture: a loop reaching past what the picture
    // shows still makes whole rectangles, and their sizes stay within 32 bits.
    const std::int32_t outside = painter.device() ? painter.device()->width() : 0;
    const auto column = [&](std::int32_t index) { return std::clamp(xOf(index), -1, outside); };
    const std::int32_t first = column(loop.start);
    const std::int32_t last = column(loop.end);
    const std::int32_t left = std::min(first, last);
    const std::int32_t right = std::max(first, last);
    // Filled rectangles of whole pixels: exact columns, whatever the pen and the scale.
    painter.fillRect(QRect(QPoint(left, 0), QPoint(right, height - 1)), kLoopBand);
    painter.fillRect(QRect(first, 0, 1, height), kLoopEdges);
    painter.fillRect(QRect(last, 0, 1, height), kLoopEdges);
}

} // namespace wtb
