// The picture's zoom: the one sample-to-x mapping, at many sounds, widths, zooms and scroll
// positions, the fast trace against the literal one at those zooms, and the durations shown.
#include "WindowTestSupport.h"

#include "support/LiteralTrace.h"
#include "window/Readouts.h"
#include "window/WaveformMapping.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"
#include "window/WaveformView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Shape {
    std::int32_t lastIndex;
    std::int32_t width;
};

// Sounds from two samples to a ten-minute import, in the picture's first width and doubled.
const Shape kShapes[] = {{1, 577},      {6, 577},          {999, 577},       {999, 1154},
                         {65'535, 577}, {1'000'000, 1154}, {9'850'000, 577}, {30'000'000, 1154}};

// The mapping at `zoom` (powers of two from the pointer at `anchor`) then scrolled by `scroll`
// pictures.
WaveformMapping mappingAt(const Shape& shape, int zoomSteps, double anchor, double scroll) {
    WaveformMapping mapping = WaveformMapping::whole(shape.lastIndex, shape.width);
    for (int step = 0; step < zoomSteps; ++step) {
        mapping = zoomedAround(mapping, 2.0, anchor * shape.width);
    }
    return scrolledBy(mapping, scroll * shape.width);
}

// Indices spread over the sound, its ends and the edges of what is shown.
std::vector<std::int32_t> probes(const WaveformMapping& m) {
    std::vector<std::int32_t> indices{0, m.lastIndex};
    for (const std::int32_t edge : {m.firstShown(), m.lastShown()}) {
        for (std::int32_t d = -2; d <= 2; ++d) {
            indices.push_back(std::clamp(edge + d, 0, m.lastIndex));
        }
    }
    std::mt19937 random(static_cast<unsigned>(m.lastIndex ^ m.span ^ m.offset));
    std::uniform_int_distribution<std::int32_t> any(0, m.lastIndex);
    for (int i = 0; i < 64; ++i) {
        indices.push_back(any(random));
    }
    std::sort(indices.begin(), indices.end());
    return indices;
}

TEST(WaveformMapping, UnzoomedItIsTheOriginalMappingExactly) {
    for (const Shape& shape : kShapes) {
        const auto m = WaveformMapping::whole(shape.lastIndex, shape.width);
        EXPECT_FALSE(m.isZoomed());
        EXPECT_EQ(m.firstShown(), 0);
        EXPECT_EQ(m.lastShown(), shape.lastIndex);
        for (const std::int32_t i : probes(m)) {
            ASSERT_EQ(m.xOf(i), indexToX(i, shape.lastIndex, shape.width)) << i;
        }
        // Zooming in and all the way out again gives the same mapping back.
        WaveformMapping back = zoomedAround(zoomedAround(m, 8.0, 100), 1 / 8.0, 3);
        back = zoomedAround(back, 1e-9, 0);
        EXPECT_EQ(back.span, m.span);
        EXPECT_EQ(back.offset, 0);
    }
}

TEST(WaveformMapping, EveryZoomAndScrollKeepsTheMappingConsistent) {
    for (const Shape& shape : kShapes) {
        for (const int steps : {1, 3, 8, 14, 40}) {
            for (const double scroll : {-1.0, 0.0, 0.37, 5.0, 1e9}) {
                const WaveformMapping m = mappingAt(shape, steps, 0.3, scroll);
                const std::string where =
                    std::to_string(shape.lastIndex) + "/" + std::to_string(shape.width) + " zoom " +
                    std::to_string(steps) + " scroll " + std::to_string(scroll);
                // Never narrower than the picture, never more than its most pixels a sample,
                // never scrolled off the sound.
                ASSERT_GE(m.span, m.width) << where;
                ASSERT_LE(m.span, std::max<std::int64_t>(m.width, std::int64_t{m.lastIndex} *
                                                                      kMostPixelsPerSample))
                    << where;
                ASSERT_GE(m.offset, 0) << where;
                ASSERT_LE(m.offset, m.span - m.width) << where;
                // x grows with the index; the shown range is exactly the samples in 0..width.
                const std::vector<std::int32_t> indices = probes(m);
                for (std::size_t k = 1; k < indices.size(); ++k) {
                    ASSERT_LE(m.xOf(indices[k - 1]), m.xOf(indices[k])) << where;
                }
                const std::int32_t first = m.firstShown();
                const std::int32_t last = m.lastShown();
                ASSERT_GE(m.xOf(first), 0) << where;
                ASSERT_TRUE(first == 0 || m.xOf(first - 1) < 0) << where;
                ASSERT_LE(m.xOf(last), m.width) << where;
                ASSERT_TRUE(last == m.lastIndex || m.xOf(last + 1) > m.width) << where;
                // The sample at a column stands at that column, within the columns one sample
                // covers; and with room for every sample, a sample is found where it stands.
                const double perSample = static_cast<double>(m.span) / m.lastIndex;
                for (const std::int32_t x : {0, 1, m.width / 3, m.width - 1, m.width}) {
                    ASSERT_LE(std::abs(m.xOf(m.indexAt(x)) - x), perSample / 2 + 1) << where;
                }
                if (perSample >= 2) {
                    for (const std::int32_t i : indices) {
                        ASSERT_EQ(m.indexAt(m.xOf(i)), i) << where << " at " << i;
                    }
                }
            }
        }
    }
}

TEST(WaveformMapping, ZoomKeepsTheSampleUnderThePointerAndShowingFindsAnIndex) {
    for (const Shape& shape : kShapes) {
        for (const double anchor : {0.0, 0.25, 0.5, 0.9}) {
            WaveformMapping m = mappingAt(shape, 2, 0.5, 0.5);
            const double x = anchor * shape.width;
            const std::int32_t under = m.indexAt(x);
            const WaveformMapping in = zoomedAround(m, 2.0, x);
            // Within one column of the coarser picture, unless an end of the sound stopped it.
            const double perColumn = static_cast<double>(m.lastIndex) / m.span;
            if (in.offset > 0 && in.offset < in.span - in.width) {
                EXPECT_LE(std::abs(in.indexAt(x) - under), perColumn + 1)
                    << shape.lastIndex << " anchor " << anchor;
            }
            for (const std::int32_t index : {0, shape.lastIndex / 3, shape.lastIndex}) {
                const WaveformMapping shown = showingIndex(mappingAt(shape, 10, 0.0, 0.0), index);
                EXPECT_GE(index, shown.firstShown());
                EXPECT_LE(index, shown.lastShown());
            }
        }
    }
}

TEST(WaveformMapping, ANewWidthKeepsTheZoomAndTheLeftEdge) {
    const WaveformMapping m = mappingAt({999'999, 577}, 6, 0.5, 0.0);
    const WaveformMapping wider = resizedTo(m, 1154);
    EXPECT_NEAR(wider.zoom(), m.zoom(), 0.01);
    EXPECT_NEAR(wider.firstShown(), m.firstShown(), 30);
    EXPECT_EQ(resizedTo(WaveformMapping::whole(999, 577), 1154).span, 1154); // whole stays whole
}

// The fast trace reduces only what is shown, and draws it pixel for pixel as one painter call
// per sample does, zoomed and scrolled anywhere.
TEST(WaveformMapping, TheZoomedFastTraceIsTheLiteralTracePixelForPixel) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::int32_t length : {2, 50, 5'000, 200'000}) {
        Bytes bytes(static_cast<std::size_t>(length));
        for (std::uint8_t& b : bytes) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        for (const int steps : {0, 1, 4, 9, 16}) {
            for (const double scroll : {0.0, 0.61, 1e9}) {
                const auto m = mappingAt({length - 1, 577}, steps, 0.4, scroll);
                QImage fast(577, 129, QImage::Format_RGB32);
                QImage literal(577, 129, QImage::Format_RGB32);
                drawWaveform(fast, bytes, length / 2, m, drawTraceFast);
                drawWaveform(literal, bytes, length / 2, m, test::drawTraceLiteral);
                ASSERT_EQ(test::firstDifference(fast, literal), "identical")
                    << length << " zoom " << steps << " scroll " << scroll;
            }
        }
    }
    // Ten minutes at 16,384 Hz zoomed in: a few segments per column, not per sample.
    const Bytes long_(9'850'000, 77);
    const auto zoomed = mappingAt({9'849'999, 577}, 12, 0.5, 0.0);
    EXPECT_LE(reduceTrace(long_, zoomed, 129).size(), 2u * (577u + 3u));
}

TEST(Readouts, DurationsAreRoundedToTheMillisecond) {
    struct Case {
        std::int64_t samples;
        std::int32_t rate;
        const char* text;
    };
    for (const Case& c :
         {Case{1000, 8000, "0.125 s"}, Case{1, 3, "0.333 s"}, Case{2, 3, "0.667 s"},
          Case{0, 8000, "0.000 s"}, Case{9'850'000, 16'384, "10:01.196"},
          Case{480'000, 8000, "1:00.000"}, Case{-5, 8000, "0.000 s"}, Case{100, 0, ""}}) {
        EXPECT_EQ(durationText(c.samples, c.rate), c.text) << c.samples << " at " << c.rate;
    }
}

} // namespace
} // namespace wtb
