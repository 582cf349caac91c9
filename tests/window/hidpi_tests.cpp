// The waveform view on a screen of device pixel ratio 2: its own executable, because the ratio
// is fixed when main() creates the application.
#include "WindowTestSupport.h"

#include "window/WaveformScale.h"
#include "window/WaveformView.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>

namespace {
[[maybe_unused]] const bool kTwiceThePixels = qputenv("QT_SCALE_FACTOR", "2");
}

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
const QSize kBox(577, 129);

// Whether `colour` lies in `image` within `area`.
bool hasColourIn(const QImage& image, QRect area, QRgb colour) {
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

// "matches", or the first pixel of `from` whose colour `to` lacks near the same place: `to` is
// `scale` times the size of `from`, and a pixel may move by one of `from`. The trace is drawn
// last, over the lines and the marker; where `to` has the trace instead, the pixel lies under
// it there.
std::string firstUnmatched(const QImage& from, const QImage& to, double scale) {
    const QRgb background = kPictureBackground.rgb();
    const QRgb trace = kTrace.rgb();
    const int block = static_cast<int>(std::ceil(scale)); // one pixel of `from` in `to`
    for (int y = 0; y < from.height(); ++y) {
        for (int x = 0; x < from.width(); ++x) {
            const QRgb colour = from.pixel(x, y);
            const QPoint at(static_cast<int>(std::floor(x * scale)),
                            static_cast<int>(std::floor(y * scale)));
            const QRect near(at - QPoint(block, block), QSize(3 * block, 3 * block));
            const bool covered = to.rect().contains(at) && to.pixel(at) == trace;
            if (colour != background && !hasColourIn(to, near, colour) && !covered) {
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ") has no match";
            }
        }
    }
    return "matches";
}

TEST(HighDpi, ThePictureHasTwiceThePixelsAndScaledDownMatchesTheOneTimesView) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    Bytes wave(1000);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = static_cast<std::uint8_t>(std::lround(128 + 120 * std::sin(i * 0.05)));
    }
    slots[0] = {wave, "sine.wav", 499};
    test::LoadedWindow w(slots);
    auto* box = w.window->findChild<WaveformView*>("waveformView");
    ASSERT_EQ(box->devicePixelRatioF(), 2.0) << "the screen is not at twice the pixels";
    const QImage twice = box->picture();
    EXPECT_EQ(twice.size(), kBox * 2);
    EXPECT_EQ(box->size(), kBox);

    // The view drawn on a box of twice the size: one image pixel per screen pixel.
    const QImage expected = test::viewPicture(kBox * 2, wave, 499);
    ASSERT_EQ(test::firstDifference(twice, expected), "identical");
    const QImage once = test::viewPicture(kBox, wave, 499);
    EXPECT_EQ(firstUnmatched(once, twice, 2), "matches");
    EXPECT_EQ(firstUnmatched(twice, once, 0.5), "matches");

    // On the screen each pixel of the picture is one pixel, not a blurred or blocky copy.
    const QImage shown = box->grab().toImage();
    EXPECT_EQ(shown.size(), kBox * 2);
    EXPECT_EQ(test::firstDifference(shown, twice), "identical");

    // Brought to a screen of another ratio, the view is drawn again at that screen's.
    QEvent screenChanged(QEvent::ScreenChangeInternal);
    QCoreApplication::sendEvent(box, &screenChanged);
    EXPECT_EQ(test::firstDifference(box->picture(), expected), "identical");
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

} // namespace
} // namespace wtb
