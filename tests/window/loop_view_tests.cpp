// A slot's loop in the picture and in what "Play output" plays, without a sound server.
#include "WindowTestSupport.h"

#include "common/RuntimeError.h"
#include "export/AdpcmSketch.h"
#include "export/ExportedSamples.h"
#include "export/LoopedOutput.h"
#include "window/WaveformLoopOverlay.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"
#include "window/WaveformView.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A wandering sound that crosses the picture's columns in every direction.
Bytes wandering(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    int level = 128;
    for (auto& b : bytes) {
        level = std::clamp(level + static_cast<int>(random() % 41) - 20, 0, 255);
        b = static_cast<std::uint8_t>(level);
    }
    return bytes;
}

struct PictureCase {
    std::size_t samples;
    QSize box;
    qreal ratio;
    Loop loop;
    std::int32_t endIndex;
};

TEST(LoopPicture, TheLoopIsDrawnInItsColumnsUnderEverythingElseAndNowhereElse) {
    const std::vector<PictureCase> cases{
        {2000, {577, 129}, 1.0, {500, 1499}, 1999}, // the window's box
        {2000, {577, 129}, 2.0, {500, 1499}, 1999}, // on a screen at twice the pixels
        {2000, {577, 129}, 1.5, {0, 1999}, 1999},   // the whole sound, at a fractional ratio
        {100'000, {577, 129}, 1.0, {50'000, 50'010}, 99'999}, // one column wide
        {10, {577, 129}, 1.0, {3, 3}, 9},                     // a one-sample loop in a short sound
        {1, {577, 129}, 1.0, {0, 0}, 0},                      // a one-sample slot, all at x = 0
        {577, {40, 17}, 1.0, {10, 300}, 400}, // a small box, the loop before the end
    };
    unsigned seed = 1;
    for (const PictureCase& c : cases) {
        SCOPED_TRACE("loop " + std::to_string(c.loop.start) + ".." + std::to_string(c.loop.end) +
                     " of " + std::to_string(c.samples) + " samples at ratio " +
                     std::to_string(c.ratio));
        const Bytes bytes = wandering(c.samples, seed++);
        const QImage plain = waveformPicture(c.box, c.ratio, bytes, c.endIndex, drawTraceFast);
        const QImage looped =
            waveformPicture(c.box, c.ratio, bytes, c.endIndex, drawTraceFast, c.loop);
        ASSERT_EQ(looped.size(), plain.size());
        const auto last = static_cast<std::int32_t>(bytes.size()) - 1;
        const std::int32_t first = indexToX(c.loop.start, last, plain.width());
        const std::int32_t final = indexToX(c.loop.end, last, plain.width());
        int shown = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                const QRgb before = plain.pixel(x, y);
                QRgb expected = before;
                if (x >= first && x <= final && before == kPictureBackground.rgb()) {
                    expected = (x == first || x == final) ? kLoopEdges.rgb() : kLoopBand.rgb();
                    ++shown;
                }
                ASSERT_EQ(looped.pixel(x, y), expected) << "at (" << x << ", " << y << ")";
            }
        }
        if (first > 0) {
            EXPECT_GT(shown, 0) << "the loop cannot be seen";
        }
    }
}

TEST(LoopPicture, TheOverlayFollowsTheMappingItIsGivenAndStaysInsideThePicture) {
    // A view showing part of the sound maps samples elsewhere, or outside the picture; the
    // overlay draws where that mapping says and clips the rest.
    struct MappingCase {
        SampleToX xOf;
        Loop loop;
        int band; // first column of the band
        int end;  // its last column; edges at those two when inside the picture
    };
    const std::vector<MappingCase> cases{
        {[](std::int32_t i) { return i / 2; }, {20, 60}, 10, 30},
        {[](std::int32_t i) { return i - 1000; }, {900, 1020}, 0, 20},    // starts left of it
        {[](std::int32_t i) { return i * 4; }, {5, 400'000'000}, 20, 99}, // ends right of it
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE("loop " + std::to_string(c.loop.start) + ".." + std::to_string(c.loop.end));
        QImage image(100, 8, QImage::Format_RGB32);
        image.fill(kPictureBackground);
        {
            QPainter painter(&image);
            drawLoopOverlay(painter, c.loop, c.xOf, image.height());
        }
        for (int x = 0; x < image.width(); ++x) {
            const bool edge = x == c.xOf(c.loop.start) || x == c.xOf(c.loop.end);
            const QColor expected = edge                          ? kLoopEdges
                                    : (x >= c.band && x <= c.end) ? kLoopBand
                                                                  : kPictureBackground;
            for (int y = 0; y < image.height(); ++y) {
                ASSERT_EQ(image.pixel(x, y), expected.rgb()) << "at (" << x << ", " << y << ")";
            }
        }
    }
}

TEST(LoopPicture, TheWindowDrawsTheCurrentSlotsLoopAndOnlyWhileItIsCurrent) {
    const QSize box(577, 129);
    std::vector<test::SlotContent> slots = test::patternedSlots(600);
    slots[2] = {wandering(600, 9), "looped.wav", 599};
    SlotBank bank = test::bankOf(slots);
    bank[3].loop = Loop{200, 449};
    test::LoadedWindow w(bank);
    MainWindow& window = *w.window;
    auto& view = *window.findChild<WaveformView*>("waveformView");
    const Bytes& looped = slots[2].bytes;

    window.chooseSlot(3);
    EXPECT_EQ(view.picture(),
              waveformPicture(box, 1.0, looped, 599, drawTraceFast, Loop{200, 449}));
    EXPECT_TRUE(view.accessibleDescription().contains("loop 200 to 449"));
    // A keyboard move of the end slider moves only the marker; the loop stays drawn.
    view.previewEnd(300);
    EXPECT_EQ(view.picture(),
              waveformPicture(box, 1.0, looped, 300, drawTraceFast, Loop{200, 449}));

    window.chooseSlot(4); // no loop: exactly the picture without one
    EXPECT_EQ(view.picture(), test::viewPicture(box, slots[3].bytes, 599));
    EXPECT_FALSE(view.accessibleDescription().contains("loop"));
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

// The output cut at the loop, joined back, is exactly what the board plays, in both formats,
// and each piece has its place: the attack up to the loop start, the loop, the rest.
TEST(LoopedOutputOfTheWindow, CutsWhatTheBoardPlaysAtTheLoopInBothFormats) {
    const Bytes bytes = wandering(3000, 4);
    const std::int32_t endIndex = 2499;
    const std::vector<std::optional<Loop>> loops{std::nullopt,     Loop{0, 2499},    Loop{0, 0},
                                                 Loop{1000, 1336}, Loop{2499, 2499}, Loop{125, 249},
                                                 Loop{7, 2498}};
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        for (const auto& loop : loops) {
            SCOPED_TRACE(std::string(sampleFormatDisplayName(format)) + ", loop " +
                         (loop ? std::to_string(loop->start) + ".." + std::to_string(loop->end)
                               : std::string("none")));
            Slot slot = test::makeSlot(bytes, endIndex, "s", 8000);
            slot.loop = loop;
            const Bytes board = format == SampleFormat::Adpcm4 ? previewAdpcm(slot, 1).samples
                                                               : exportedSamples(slot, 1);
            const LoopedOutput output = loopedOutput(slot, 1, format);
            Bytes joined = output.attack;
            joined.insert(joined.end(), output.loop.begin(), output.loop.end());
            joined.insert(joined.end(), output.tail.begin(), output.tail.end());
            EXPECT_EQ(joined, board);
            const std::size_t start = loop ? static_cast<std::size_t>(loop->start) : board.size();
            const std::size_t length = loop ? static_cast<std::size_t>(loop->length()) : 0;
            EXPECT_EQ(output.attack.size(), start);
            EXPECT_EQ(output.loop.size(), length);
        }
    }
}

TEST(LoopedOutputOfTheWindow, RefusesALoopOutsideTheKeptSamplesNamingTheSlot) {
    const Bytes bytes(100, 140);
    for (const Loop loop : {Loop{10, 60}, Loop{-1, 5}, Loop{30, 20}, Loop{90, 120}}) {
        Slot slot = test::makeSlot(bytes, 50, "s", 8000);
        slot.loop = loop;
        try {
            loopedOutput(slot, 7, SampleFormat::Pcm8);
            ADD_FAILURE() << "loop " << loop.start << ".." << loop.end << " was played";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
            EXPECT_NE(std::string(error.what()).find("Slot 7"), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace wtb
