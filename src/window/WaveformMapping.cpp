#include "window/WaveformMapping.h"

#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "window/WaveformScale.h"

#include <algorithm>
#include <cmath>

namespace wtb {

namespace {

constexpr double kLargestSpan = 1 << 30; // keeps every column well inside 32 bits

std::int32_t largestSpan(const WaveformMapping& m) {
    const double wanted = static_cast<double>(m.lastIndex) * kMostPixelsPerSample;
    return static_cast<std::int32_t>(std::max<double>(m.width, std::min(wanted, kLargestSpan)));
}

// `span` and `offset` brought within what the sound and the picture allow.
WaveformMapping clamped(WaveformMapping m, double span, double offset) {
    m.span = static_cast<std::int32_t>(std::clamp(std::round(span), static_cast<double>(m.width),
                                                  static_cast<double>(largestSpan(m))));
    const double room = static_cast<double>(m.span) - m.width;
    m.offset = static_cast<std::int32_t>(std::clamp(std::round(offset), 0.0, room));
    return m;
}

} // namespace

WaveformMapping WaveformMapping::whole(std::int32_t lastIndex, std::int32_t width) {
    return {std::max(lastIndex, 0), width, width, 0};
}

std::int32_t WaveformMapping::xOf(std::int32_t index) const {
    if (!isZoomed()) {
        return indexToX(index, lastIndex, width);
    }
    // span > width only for a sound of two samples or more: lastIndex is not 0 here.
    const double column = static_cast<double>(index) * span / lastIndex;
    return checkedSub(toInt32HalfEven(column), offset);
}

std::int32_t WaveformMapping::indexAt(double x) const {
    if (lastIndex == 0 || span == 0) {
        return 0;
    }
    const double index = std::round((x + offset) * lastIndex / span);
    return static_cast<std::int32_t>(std::clamp(index, 0.0, static_cast<double>(lastIndex)));
}

std::int32_t WaveformMapping::firstShown() const {
    if (!isZoomed()) {
        return 0;
    }
    std::int32_t index = indexAt(0);
    while (index < lastIndex && xOf(index) < 0) {
        ++index;
    }
    while (index > 0 && xOf(index - 1) >= 0) {
        --index;
    }
    return index;
}

std::int32_t WaveformMapping::lastShown() const {
    if (!isZoomed()) {
        return lastIndex;
    }
    std::int32_t index = indexAt(width);
    while (index > 0 && xOf(index) > width) {
        --index;
    }
    while (index < lastIndex && xOf(index + 1) <= width) {
        ++index;
    }
    return index;
}

WaveformMapping zoomedAround(const WaveformMapping& mapping, double factor, double anchorX) {
    if (mapping.width <= 0 || !(factor > 0)) {
        return mapping;
    }
    // The fraction of the sound under the anchor stays under it.
    const double fraction = (anchorX + mapping.offset) / mapping.span;
    WaveformMapping zoomed = clamped(mapping, mapping.span * factor, 0);
    return clamped(zoomed, zoomed.span, fraction * zoomed.span - anchorX);
}

WaveformMapping scrolledBy(const WaveformMapping& mapping, double columns) {
    return clamped(mapping, mapping.span, mapping.offset + columns);
}

WaveformMapping resizedTo(const WaveformMapping& mapping, std::int32_t width) {
    if (!mapping.isZoomed() || mapping.width <= 0) {
        return WaveformMapping::whole(mapping.lastIndex, width);
    }
    const double scale = static_cast<double>(std::max(width, 0)) / mapping.width;
    WaveformMapping resized = mapping;
    resized.width = std::max(width, 0);
    return clamped(resized, mapping.span * scale, mapping.offset * scale);
}

WaveformMapping showingIndex(const WaveformMapping& mapping, std::int32_t index) {
    if (!mapping.isZoomed() || (index >= mapping.firstShown() && index <= mapping.lastShown())) {
        return mapping;
    }
    const double column = static_cast<double>(index) * mapping.span / mapping.lastIndex;
    return clamped(mapping, mapping.span, column - mapping.width / 2.0);
}

} // namespace wtb
