// The real program on a real X server: its window is found by its title, photographed, and the
// picture box on the photograph must hold exactly the view of slot 1.
#include "WindowTestSupport.h"
#include "support/PrivateDisplay.h"

#include "slots/WorkingFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

void stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

TEST(RealWindowOnX, ShowsTheViewOfSlotOneWhereItBelongs) {
    // The program keeps its slots beside its executable: give it a folder of its own.
    test::TempFolder folder;
    const QString program = folder.file("wavetable-builder");
    ASSERT_TRUE(QFile::copy(QStringLiteral(WTB_PROGRAM), program));
    std::vector<test::SlotContent> slots = test::patternedSlots(200);
    Bytes wave(1000);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = static_cast<std::uint8_t>(std::lround(128 + 120 * std::sin(i * 0.05)));
    }
    slots[0] = {wave, "sine.wav", 499};
    SlotBank bank;
    test::fillBank(bank, slots);
    saveWorkingFolder(bank, folder.path());

    test::PrivateDisplay screen;
    ASSERT_FALSE(screen.name().isEmpty()) << "no X server";

    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", screen.name());
    env.insert("QT_QPA_PLATFORM", "xcb");
    app.setProcessEnvironment(env);
    app.start(program, {});

    QString window;
    test::pollUntil(
        [&] {
            window = screen.tool("xdotool",
                                 {"search", "--name", "^Brimtock - Wavetable builder 1\\.1$"});
            return !window.isEmpty();
        },
        60000, 100);
    const QString geometry =
        screen.tool("xdotool", {"getwindowgeometry", window.section('\n', 0, 0)});
    const auto at = QRegularExpression("Position: (\\d+),(\\d+)").match(geometry);

    // Painting may trail the window's appearance: photograph until the picture settles.
    const QRect box(QPoint(at.captured(1).toInt(), at.captured(2).toInt()) + QPoint(8, 8),
                    QSize(577, 129));
    const QImage expected = test::viewPicture(box.size(), wave, 499);
    const QString screenshot = folder.file("screenshot.png");
    QImage seen;
    test::pollUntil(
        [&] {
            screen.tool("import", {"-window", "root", screenshot});
            seen = QImage(screenshot).copy(box);
            return !at.hasMatch() || test::firstDifference(seen, expected) == "identical";
        },
        30000, 200);
    stop(app);

    ASSERT_FALSE(window.isEmpty()) << "the window did not appear";
    EXPECT_TRUE(geometry.contains("Geometry: 851x303")) << geometry.toStdString();
    // The zero line at 129 / 2, the start line, the end marker at 499 of 0..999 over 577
    // columns, and the sine's crest near the top: then every pixel.
    EXPECT_EQ(seen.pixelColor(300, 64), QColor(255, 0, 0));
    EXPECT_EQ(seen.pixelColor(0, 100), QColor(255, 0, 0));
    EXPECT_EQ(seen.pixelColor(288, 110), QColor(0, 255, 0));
    EXPECT_EQ(seen.pixelColor(18, 4), QColor(0, 0, 255)); // sample 31: byte 248, x 17.9
    EXPECT_EQ(test::firstDifference(seen, expected), "identical");
}

} // namespace
} // namespace wtb
