// The window's access to editing beyond the end point: several files, dropped files, the
// picture's context menu at the pointer, the silence trim and the loop.
#include "WindowTestSupport.h"

#include "editing/LoopSeam.h"
#include "window/WaveformScale.h"
#include "window/WaveformView.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sine(std::size_t length, double period, double amplitude, std::size_t quietHead = 0) {
    Bytes bytes(length, 128);
    for (std::size_t i = quietHead; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(std::lround(
            128 + amplitude * std::sin(2 * M_PI * static_cast<double>(i - quietHead) / period)));
    }
    return bytes;
}

// Crosses the zero line between every two samples, so a start cut keeps exactly its index.
Bytes alternating(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = i % 2 == 0 ? 0 : 255;
    }
    return bytes;
}

class Wiring : public testing::Test {
protected:
    void SetUp() override {
        std::vector<test::SlotContent> slots = test::patternedSlots(100);
        slots[2] = {sine(4000, 40.0, 60.0, 500), "quiet head", 3999};
        w = std::make_unique<test::LoadedWindow>(slots);
        test::writeWav8(source.file("a.wav"), sine(300, 20.0, 50.0), 8000);
        test::writeWav8(source.file("b.wav"), sine(500, 25.0, 50.0), 11025);
        test::writeWav8(source.file("c.wav"), sine(700, 30.0, 50.0), 22050);
        files = {source.file("a.wav"), source.file("b.wav"), source.file("c.wav")};
    }
    MainWindow& window() { return *w->window; }
    const Slot& slot(int number) { return window().workspace().slot(number); }
    QAction& action(const QString& text) {
        for (QAction* each : window().actions()) {
            if (each->text() == text) {
                return *each;
            }
        }
        throw std::runtime_error("no action " + text.toStdString());
    }
    WaveformView& view() { return *window().findChild<WaveformView*>(); }
    // The three files' names and lengths in slots 4, 5 and 6.
    void expectFilesFromSlot4() {
        const std::pair<const char*, std::size_t> expected[] = {
            {"a.wav", 300}, {"b.wav", 500}, {"c.wav", 700}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(slot(4 + i).name, expected[i].first) << "slot " << 4 + i;
            EXPECT_EQ(slot(4 + i).samples.bytes().size(), expected[i].second) << "slot " << 4 + i;
        }
    }
    std::unique_ptr<test::LoadedWindow> w;
    test::TempFolder source;
    QStringList files;
};

TEST_F(Wiring, SeveralChosenFilesFillTheSlotsInOrderAsOneStep) {
    const SlotBank before = window().workspace().bank();
    *w->replaceSlots = true;
    w->dialog->several = {files};
    window().chooseSlot(4);
    window().importSound();

    ASSERT_EQ(w->errors->size(), 0) << w->errors->join('\n').toStdString();
    expectFilesFromSlot4();
    ASSERT_EQ(w->questions->size(), 1);
    for (const char* named : {"Slot 4", "Slot 5", "Slot 6", "a.wav", "b.wav", "c.wav"}) {
        EXPECT_TRUE(w->questions->front().contains(QLatin1String(named))) << named;
    }
    EXPECT_FALSE(w->questions->front().contains(QLatin1String("Slot 7")));
    window().undo();
    EXPECT_EQ(window().workspace().bank(), before);
}

TEST_F(Wiring, CancellingTheQuestionOrTheDialogChangesNothing) {
    const SlotBank before = window().workspace().bank();
    window().chooseSlot(4);
    w->dialog->several = {files};
    window().importSound(); // the question is answered Cancel
    w->dialog->answers = {std::nullopt};
    window().importSound(); // the dialog is cancelled
    EXPECT_EQ(window().workspace().bank(), before);
    EXPECT_EQ(w->questions->size(), 1);
    EXPECT_EQ(w->errors->size(), 0);
    EXPECT_FALSE(window().workspace().history().canUndo());
}

TEST_F(Wiring, OneChosenFileReplacesTheSlotWithoutAQuestion) {
    w->dialog->several = {{files[1]}};
    window().chooseSlot(9);
    window().importSound();
    EXPECT_EQ(slot(9).name, "b.wav");
    EXPECT_EQ(w->questions->size(), 0);
}

// Drops reach the slot they land on; only files on this computer are taken.
TEST_F(Wiring, FilesDroppedOnSlotButtonFourGoIntoFourToSix) {
    auto* button = window().findChild<QButtonGroup*>()->button(4);
    ASSERT_NE(button, nullptr);
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window's filter on the button, as a drop from a file manager arrives.
        event.setAccepted(false);
        const bool taken = static_cast<QObject&>(window()).eventFilter(button, &event);
        return taken && event.isAccepted();
    };
    *w->replaceSlots = true;
    const SlotBank before = window().workspace().bank();
    EXPECT_TRUE(
        drop({QUrl::fromLocalFile(files[0]), QUrl(QStringLiteral("https://x.test/b.wav"))}));
    EXPECT_EQ(window().workspace().bank(), before);
    ASSERT_EQ(w->errors->size(), 1);
    EXPECT_TRUE(w->errors->front().contains(QLatin1String("Only files on this computer")));

    QList<QUrl> urls;
    for (const QString& file : files) {
        urls << QUrl::fromLocalFile(file);
    }
    EXPECT_TRUE(drop(urls));
    expectFilesFromSlot4();
    EXPECT_EQ(window().currentSlot(), 1) << "a drop does not choose the slot";
    ASSERT_EQ(w->questions->size(), 1);
    EXPECT_TRUE(w->questions->front().contains(QLatin1String("Slot 6")));
}

// A file manager sends a Latin-1 name's bytes percent-encoded (caf%E9.wav): the file they name
// is the one imported.
TEST_F(Wiring, AFileDroppedUnderANameInAnotherEncodingIsImported) {
    const QByteArray latin1 = QFile::encodeName(source.path()) + "/caf\xe9.wav";
    ASSERT_EQ(::rename(QFile::encodeName(files[1]).constData(), latin1.constData()), 0);
    *w->replaceSlots = true;
    window().dropFiles(
        7, {QUrl(QStringLiteral("file://") + QString::fromLatin1(latin1.toPercentEncoding("/")))});
    EXPECT_TRUE(w->errors->isEmpty()) << w->errors->join('\n').toStdString();
    EXPECT_EQ(slot(7).sampleCount(), 500);
    EXPECT_EQ(slot(7).sampleRate, 11025);
}

// At two scales of the picture (a short and a long sound) and zoomed in, "Cut the start here"
// cuts at the sample drawn under the pointer.
TEST_F(Wiring, TheContextMenuCutsTheStartAtThePointer) {
    const std::int32_t width = view().width();
    struct Case {
        std::size_t length;
        int x;
        bool zoomed;
    };
    for (const Case c :
         {Case{100, width / 2, false}, Case{100, width / 4, false}, Case{20000, width / 2, false},
          Case{20000, width / 3, false}, Case{20000, width / 3, true}}) {
        std::vector<test::SlotContent> slots = test::patternedSlots(100);
        slots[4] = {alternating(c.length), "alternating", static_cast<std::int32_t>(c.length - 1)};
        w = std::make_unique<test::LoadedWindow>(slots);
        window().chooseSlot(5);
        if (c.zoomed) {
            view().zoomBy(8.0, c.x);
        }
        view().setPointer(QPoint(c.x, 10));
        const std::int32_t expected = view().indexAt(c.x);
        if (!c.zoomed) {
            EXPECT_EQ(expected, std::lround(double(c.x) / width * double(c.length - 1)));
        }
        action(QStringLiteral("Cut the start here")).trigger();
        EXPECT_EQ(slot(5).samples.bytes().size(), c.length - static_cast<std::size_t>(expected))
            << c.length << " at x " << c.x;
        EXPECT_EQ(test::labelText(window(), QStringLiteral("lastNote")),
                  QStringLiteral("Start cut: %1").arg(expected));
    }
}

TEST_F(Wiring, LoopEndsAtThePointerSettleAndReportTheirSeam) {
    window().chooseSlot(3);
    EXPECT_FALSE(action(QStringLiteral("Remove loop")).isEnabled()) << "a slot without a loop";
    const std::int32_t width = view().width();
    // Without a loop the start at the pointer runs to the end point.
    view().setPointer(QPoint(width / 2, 10));
    action(QStringLiteral("Loop start here")).trigger();
    ASSERT_TRUE(slot(3).loop.has_value()) << w->errors->join('\n').toStdString();
    EXPECT_NEAR(slot(3).loop->start, 2000, 40);
    EXPECT_LE(slot(3).loop->end, 3999);
    EXPECT_GE(slot(3).loop->end, 3999 - 40);
    const QString note = test::labelText(window(), QStringLiteral("lastNote"));
    EXPECT_EQ(note, QStringLiteral("Loop %1-%2, jump %3")
                        .arg(slot(3).loop->start)
                        .arg(slot(3).loop->end)
                        .arg(seamJump(slot(3).samples.bytes(), *slot(3).loop)));

    // The end at the pointer keeps the start.
    const std::int32_t start = slot(3).loop->start;
    view().setPointer(QPoint(width * 3 / 4, 10));
    action(QStringLiteral("Loop end here")).trigger();
    EXPECT_NEAR(slot(3).loop->start, start, 40);
    EXPECT_NEAR(slot(3).loop->end, 3000, 40);

    EXPECT_TRUE(action(QStringLiteral("Remove loop")).isEnabled());
    action(QStringLiteral("Remove loop")).trigger();
    EXPECT_FALSE(slot(3).loop.has_value());
    EXPECT_FALSE(action(QStringLiteral("Remove loop")).isEnabled());
    window().undo();
    EXPECT_TRUE(slot(3).loop.has_value());
    EXPECT_TRUE(action(QStringLiteral("Remove loop")).isEnabled());
    EXPECT_EQ(w->errors->size(), 0);

    // Without a loop the end at the pointer starts at the first sample.
    window().chooseSlot(5);
    view().setPointer(QPoint(width / 2, 10));
    action(QStringLiteral("Loop end here")).trigger();
    ASSERT_TRUE(slot(5).loop.has_value()) << w->errors->join('\n').toStdString();
    const auto* label = window().findChild<QLabel*>(QStringLiteral("lastNote"));
    EXPECT_TRUE(label->toolTip().contains(QLatin1String("start at the first sample")));
}

// A steady tone made one cycle at the pointer: 256 cells looped whole, at the rate that plays it
// at its pitch; one undo brings the tone back.
TEST_F(Wiring, MakeSingleCycleAtThePointerKeepsThePitch) {
    SlotBank bank;
    test::fillBank(bank, test::patternedSlots(100), 8000);
    Bytes tone(16384);
    const double period = 16384.0 / 220.0;
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] =
            static_cast<std::uint8_t>(std::lround(128 + 100 * std::sin(2 * M_PI * i / period)));
    }
    bank[6] = test::makeSlot(tone, 16383, "tone.wav", 16384);
    w = std::make_unique<test::LoadedWindow>(bank);
    window().chooseSlot(6);
    view().setPointer(QPoint(view().width() / 3, 10));
    action(QStringLiteral("Make single cycle")).trigger();
    ASSERT_EQ(w->errors->size(), 0) << w->errors->join('\n').toStdString();
    EXPECT_EQ(slot(6).sampleCount(), 256);
    EXPECT_EQ(slot(6).loop, (Loop{0, 255}));
    EXPECT_NEAR(slot(6).sampleRate, 256 * 220, 256 * 220 / 1730); // within 1 cent
    EXPECT_LE(seamJump(slot(6).samples.bytes(), *slot(6).loop), 2);
    const QString note = test::labelText(window(), QStringLiteral("lastNote"));
    ASSERT_TRUE(note.startsWith("Cycle: ")) << note.toStdString();
    EXPECT_NEAR(note.mid(7).section(' ', 0, 0).toDouble(), 220.0, 220.0 / 1730)
        << note.toStdString();
    window().undo();
    EXPECT_EQ(slot(6).sampleCount(), 16384);
}

TEST_F(Wiring, TrimSilenceOfTheSlotAndOfAllIsOneStepEach) {
    window().chooseSlot(3);
    action(QStringLiteral("Trim silence")).trigger();
    EXPECT_LT(slot(3).samples.bytes().size(), 4000u);
    EXPECT_GT(slot(3).samples.bytes().size(), 3400u);
    EXPECT_TRUE(test::labelText(window(), QStringLiteral("lastNote"))
                    .startsWith(QLatin1String("Trimmed ")));
    window().undo();
    EXPECT_EQ(slot(3).samples.bytes().size(), 4000u);

    action(QStringLiteral("Trim silence of all slots")).trigger();
    EXPECT_LT(slot(3).samples.bytes().size(), 4000u);
    window().undo();
    EXPECT_EQ(slot(3).samples.bytes().size(), 4000u);
    EXPECT_EQ(w->errors->size(), 0);
}

} // namespace
} // namespace wtb
