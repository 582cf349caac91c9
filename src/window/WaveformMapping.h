#pragma once

#include <cstdint>

namespace wtb {

// Where each sample of a sound stands in a picture `width` pixels wide, the one sample-to-x
// mapping of the picture: its trace, its markers and anything drawn over them, and the pointer.
// The whole sound is spread over `span` pixels the way the unzoomed picture spreads it over its
// width (sample i at i * span / lastIndex, rounded half to even), and the picture shows the
// `width` pixels from column `offset` of that span on. Unzoomed (span == width, offset 0) it
// is indexToX exactly, so the picture at its first size is pixel for pixel the original.
struct WaveformMapping {
    std::int32_t lastIndex = 0;
    std::int32_t width = 0;
    std::int32_t span = 0;
    std::int32_t offset = 0;

    // The whole sound across the picture.
    static WaveformMapping whole(std::int32_t lastIndex, std::int32_t width);

    bool isZoomed() const { return span != width; }
    double zoom() const { return width > 0 ? static_cast<double>(span) / width : 1.0; }

    // The column sample `index` stands in; outside 0..width when it is not shown. Raises when
    // that lies beyond 32 bits (an end index far past the sound).
    std::int32_t xOf(std::int32_t index) const;
    // The sample drawn nearest to column `x`, within 0..lastIndex.
    std::int32_t indexAt(double x) const;
    // The first and the last sample standing in columns 0..width (the unzoomed picture puts
    // the last sample at x = width): the range the end slider covers.
    std::int32_t firstShown() const;
    std::int32_t lastShown() const;
};

// A picture never spreads one sample over more than this many pixels.
inline constexpr std::int32_t kMostPixelsPerSample = 32;

// Zoomed by `factor` (2 is in, 0.5 is out) with the sample under column `anchorX` kept there as
// far as the ends of the sound allow; from the whole sound across the picture to
// kMostPixelsPerSample pixels a sample.
WaveformMapping zoomedAround(const WaveformMapping& mapping, double factor, double anchorX);
// Moved by `columns` (positive: later samples come into view), within the sound.
WaveformMapping scrolledBy(const WaveformMapping& mapping, double columns);
// The same zoom and left edge in a picture `width` pixels wide.
WaveformMapping resizedTo(const WaveformMapping& mapping, std::int32_t width);
// Unchanged when sample `index` is shown; else moved to put it in the middle.
WaveformMapping showingIndex(const WaveformMapping& mapping, std::int32_t index);

} // namespace wtb
