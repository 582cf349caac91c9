#include "window/WaveformRaster.h"

#include "common/CheckedInt.h"
#include "common/RuntimeError.h"
#include "window/WaveformScale.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace wtb {

namespace {

std::int32_t lastIndexOf(std::span<const std::uint8_t> samples) {
    return toInt32Checked(samples.size() - 1, "A slot's last sample index");
}

// One past the last index up to `last` of the run of samples that share x with `begin`. x is
// monotonic in the index, so a galloping search followed by bisection finds the run's end with
// a few dozen exact evaluations of the mapping, however long the run is.
std::int32_t runEnd(std::int32_t begin, std::int32_t x, std::int32_t last,
                    const WaveformMapping& mapping) {
    std::int64_t inside = begin; // known to map to x
    std::int64_t beyond = 0;     // known to map elsewhere, or one past the last sample
    for (std::int64_t step = 1;; step *= 2) {
        const std::int64_t probe = inside + step;
        if (probe > last) {
            beyond = std::int64_t{last} + 1;
            break;
        }
        if (mapping.xOf(static_cast<std::int32_t>(probe)) != x) {
            beyond = probe;
            break;
        }
        inside = probe;
    }
    while (beyond - inside > 1) {
        const std::int64_t middle = inside + (beyond - inside) / 2;
        if (mapping.xOf(static_cast<std::int32_t>(middle)) != x) {
            beyond = middle;
        } else {
            inside = middle;
        }
    }
    return static_cast<std::int32_t>(beyond);
}

void byteRange(const std::uint8_t* bytes, std::size_t count, std::uint8_t& low,
               std::uint8_t& high) {
    std::uint8_t lo = 255;
    std::uint8_t hi = 0;
    // A trip count known to be a multiple of 64 lets the compiler scan in vector registers at
    // the usual optimisation level: a ten-minute slot's picture takes about 2 ms, not 16.
    const std::size_t whole = count & ~std::size_t{63};
    for (std::size_t i = 0; i < whole; ++i) {
        lo = std::min(lo, bytes[i]);
        hi = std::max(hi, bytes[i]);
    }
    for (std::size_t i = whole; i < count; ++i) {
        lo = std::min(lo, bytes[i]);
        hi = std::max(hi, bytes[i]);
    }
    low = lo;
    high = hi;
}

} // namespace

std::vector<QLine> reduceTrace(std::span<const std::uint8_t> samples, std::int32_t width,
                               std::int32_t height) {
    if (samples.empty()) {
        return {};
    }
    return reduceTrace(samples, WaveformMapping::whole(lastIndexOf(samples), width), height);
}

std::vector<QLine> reduceTrace(std::span<const std::uint8_t> samples,
                               const WaveformMapping& mapping, std::int32_t height) {
    std::vector<QLine> lines;
    if (samples.empty()) {
        return lines;
    }
    if (mapping.lastIndex != lastIndexOf(samples)) {
        raise(ErrorKind::Internal, "The picture's mapping is for another sound than the one drawn.");
    }
    std::array<std::int32_t, 256> yOf{};
    for (int byte = 0; byte < 256; ++byte) {
        yOf[static_cast<std::size_t>(byte)] = byteToY(static_cast<std::uint8_t>(byte), height);
    }
    const auto y = [&](std::int32_t index) {
        return yOf[samples[static_cast<std::size_t>(index)]];
    };

    // Unzoomed the line starts at (0, y of sample 0), which is where sample 0 stands; zoomed,
    // at the last sample left of the picture.
    std::int32_t begin = std::max(mapping.firstShown() - 1, 0);
    const std::int32_t last = std::min(mapping.lastShown(), mapping.lastIndex - 1) + 1;
    // One run per distinct x: at most |width| + 3 of them.
    const std::int64_t runs =
        std::min(std::int64_t{last} - begin + 1, std::abs(std::int64_t{mapping.width}) + 3);
    lines.reserve(static_cast<std::size_t>(2 * runs));
    QPoint previous(mapping.xOf(begin), y(begin));
    for (;;) {
        const std::int32_t x = mapping.xOf(begin);
        const std::int32_t end = runEnd(begin, x, last, mapping);
        lines.emplace_back(previous, QPoint(x, y(begin))); // into the run, as drawn
        if (end - begin >= 2) {
            std::uint8_t low = 0;
            std::uint8_t high = 0;
            byteRange(samples.data() + begin, static_cast<std::size_t>(end - begin), low, high);
            lines.emplace_back(QPoint(x, yOf[high]), QPoint(x, yOf[low]));
        }
        previous = QPoint(x, y(end - 1));
        if (end > last) {
            break;
        }
        begin = end;
    }
    return lines;
}

void drawTraceFast(QPainter& painter, std::span<const std::uint8_t> samples,
                   const WaveformMapping& mapping, std::int32_t height) {
    const std::vector<QLine> lines = reduceTrace(samples, mapping, height);
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

} // namespace wtb
