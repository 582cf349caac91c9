#include "support/LiteralTrace.h"

#include "window/WaveformScale.h"

#include <QPainter>
#include <QPoint>

namespace wtb::test {

void drawTraceLiteral(QPainter& painter, std::span<const std::uint8_t> samples,
                      const WaveformMapping& mapping, std::int32_t Hr) {
    if (samples.empty()) {
        return;
    }
    const auto last = static_cast<std::int32_t>(samples.size() - 1);
    QPoint previous(mapping.xOf(0), byteToY(samples[0], Hr));
    for (std::int32_t i = 0; i <= last; ++i) {
        const QPoint point(mapping.xOf(i), byteToY(samples[static_cast<std::size_t>(i)], Hr));
        painter.drawLine(previous, point);
        previous = point;
    }
}

} // namespace wtb::test
