// The window that grows, the picture that zooms, the end typed exactly, and what the window says:
// durations, the sketch written, the working folder and About.
#include "WindowTestSupport.h"

#include "editing/ZeroCrossingTrim.h"
#include "export/FlashBudget.h"
#include "messages/ExportNotes.h"
#include "window/EndIndexBox.h"
#include "window/WaveformView.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A loaded window, shown and active, so that its shortcuts, focus and resizing work.
struct ShownWindow : test::LoadedWindow {
    explicit ShownWindow(const std::vector<test::SlotContent>& slots) : LoadedWindow(slots) {
        window->show();
        active = QTest::qWaitForWindowActive(window.get());
    }
    template <class Control = QWidget> Control* find(const QString& name) {
        return window->findChild<Control*>(name, Qt::FindDirectChildrenOnly);
    }
    WaveformView& view() { return *find<WaveformView>("waveformView"); }
    EndIndexBox& endBox() { return *find<EndIndexBox>("endIndexBox"); }
    QAction* action(const QString& startOfText) {
        for (QAction* action : view().actions()) {
            if (action->text().startsWith(startOfText)) {
                return action;
            }
        }
        return nullptr;
    }
    // Resized, and waited for until the picture has taken the room.
    bool resizeTo(QSize size) {
        window->resize(size);
        const QSize picture = QSize(577, 129) + (size - QSize(851, 303));
        return test::spinEventLoopUntil([&] { return view().size() == picture; }, 5000);
    }
    void wheel(int notches, Qt::KeyboardModifiers modifiers, QPointF at = {300, 60}) {
        QWheelEvent event(at, view().mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view(), &event);
    }
    bool active = false;
};

// Keeps the addresses the desktop was asked to open.
class UrlsOpened : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
    QList<QUrl> urls;
};

// Bytes that cross the zero line at every sample: a trim steps back exactly one sample.
Bytes alternating(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = i % 2 ? 50 : 200;
    }
    return bytes;
}

TEST(GrowingWindow, ThePictureAndSliderTakeTheRoomAndEveryOtherControlKeepsItsCorner) {
    std::vector<test::SlotContent> slots = test::patternedSlots(3000);
    ShownWindow w(slots);
    ASSERT_TRUE(w.active);
    std::map<QString, QRect> first;
    for (QWidget* child : w.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        ASSERT_FALSE(child->objectName().isEmpty());
        first[child->objectName()] = child->geometry();
    }
    for (const QSize size :
         {QSize(1300, 600), QSize(851, 500), QSize(2000, 303), QSize(851, 303)}) {
        ASSERT_TRUE(w.resizeTo(size)) << size.width() << "x" << size.height();
        const int dw = size.width() - 851;
        const int dh = size.height() - 303;
        struct Expected {
            const char* name;
            QRect place;
        };
        for (const Expected& e : {Expected{"waveformView", QRect(8, 8, 577 + dw, 129 + dh)},
                                  Expected{"endSlider", QRect(8, 144 + dh, 577 + dw, 17)},
                                  Expected{"importButton", QRect(592 + dw, 8, 113, 49)},
                                  Expected{"totalReadout", QRect(720 + dw, 120, 113, 41)},
                                  Expected{"endReadout", QRect(592 + dw, 160, 113, 25)},
                                  Expected{"endIndexBox", QRect(720 + dw, 163, 113, 22)},
                                  Expected{"slotButton16", QRect(128, 272 + dh, 33, 25)},
                                  Expected{"playButton", QRect(176, 176 + dh, 129, 65)},
                                  Expected{"statusLine", QRect(176, 266 + dh, 129, 34)},
                                  Expected{"budgetMeter", QRect(544, 276 + dh, 290, 22)}}) {
            EXPECT_EQ(w.find(e.name)->geometry(), e.place) << e.name << " at " << dw << "," << dh;
        }
        // Nothing that was apart comes to overlap, and the picture is drawn at its new size.
        for (const auto& [a, placeA] : first) {
            for (const auto& [b, placeB] : first) {
                if (a < b && !placeA.intersects(placeB)) {
                    EXPECT_FALSE(w.find(a)->geometry().intersects(w.find(b)->geometry()))
                        << a.toStdString() << " and " << b.toStdString();
                }
            }
        }
        EXPECT_EQ(test::firstDifference(w.view().picture(),
                                        test::viewPicture(w.view().size(), slots[0].bytes, 2999)),
                  "identical");
    }
    // Back at the first size, every control is where it was.
    for (const auto& [name, place] : first) {
        EXPECT_EQ(w.find(name)->geometry(), place) << name.toStdString();
    }
}

TEST(ZoomedPicture, CtrlWheelZoomsAroundThePointerAndTheSliderCoversWhatIsShown) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[2] = {alternating(100'000), "long.wav", 99'999};
    ShownWindow w(slots);
    ASSERT_TRUE(w.active);
    w.window->chooseSlot(3);
    ClickSlider& slider = test::slider(*w.window);
    const std::int32_t under = w.view().indexAt(300);

    w.wheel(3, Qt::NoModifier); // nothing to scroll in the whole sound
    EXPECT_EQ(w.view().lastShown(), 99'999);
    w.wheel(4, Qt::ControlModifier); // sixteen times
    EXPECT_NEAR(w.view().mapping().zoom(), 16.0, 0.01);
    EXPECT_NEAR(w.view().indexAt(300), under, 100'000 / 577.0 / 16 + 1);
    EXPECT_EQ(slider.minimum(), w.view().firstShown());
    EXPECT_EQ(slider.maximum(), w.view().lastShown());
    EXPECT_LT(slider.maximum() - slider.minimum(), 100'000 / 15);

    // A click on the slider lands among the samples shown, at that resolution.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(200, 8));
    const std::int32_t end = w.window->workspace().bank()[3].endIndex;
    EXPECT_GE(end + 1, slider.minimum());
    EXPECT_LE(end + 1, slider.maximum());
    EXPECT_NEAR(w.view().xOf(end), 200, 12); // the knob's place, within its handle's width

    // The wheel alone scrolls; Ctrl+0 shows everything; another slot is shown whole.
    const std::int32_t before = w.view().firstShown();
    w.wheel(-2, Qt::NoModifier);
    EXPECT_GT(w.view().firstShown(), before);
    EXPECT_EQ(slider.minimum(), w.view().firstShown());
    QTest::keySequence(w.window.get(), QKeySequence("Ctrl+0"));
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 99'999);
    QTest::keySequence(w.window.get(), QKeySequence("Ctrl+="));
    EXPECT_TRUE(w.view().mapping().isZoomed());
    w.window->chooseSlot(4);
    w.window->chooseSlot(3);
    EXPECT_FALSE(w.view().mapping().isZoomed());
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

struct TypedEnd {
    const char* name;
    Bytes bytes;
    const char* typed;
    std::int32_t expected;
};

class TypingTheEnd : public testing::TestWithParam<TypedEnd> {};

// The trim's own cases: what is typed goes through the same zero-crossing step as a click.
TEST_P(TypingTheEnd, StepsBackToAZeroCrossingAsAClickDoesInOneUndoableStep) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[1] = {GetParam().bytes, "two.wav", 999};
    ShownWindow w(slots);
    ASSERT_TRUE(w.active);
    w.window->chooseSlot(2);
    QTest::keySequence(w.window.get(), QKeySequence("Ctrl+E"));
    ASSERT_TRUE(w.endBox().hasFocus());
    QTest::keyClicks(&w.endBox(), GetParam().typed); // replaces the selected value
    QTest::keyClick(&w.endBox(), Qt::Key_Return);

    const std::int32_t typed = QString(GetParam().typed).toInt();
    EXPECT_EQ(w.window->workspace().bank()[2].endIndex, GetParam().expected);
    EXPECT_EQ(GetParam().expected, *zeroCrossingEnd(GetParam().bytes, typed));
    EXPECT_EQ(w.endBox().value(), GetParam().expected);
    EXPECT_EQ(test::slider(*w.window).value(), GetParam().expected);
    EXPECT_EQ(test::labelText(*w.window, "endReadout"),
              QString::number(GetParam().expected) + " output samples");
    w.window->undo();
    EXPECT_EQ(w.window->workspace().bank()[2].endIndex, 999);
    EXPECT_EQ(w.endBox().value(), 999);
}

Bytes halves(std::uint8_t first, std::uint8_t second) {
    Bytes bytes(500, first);
    bytes.resize(1000, second);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypingTheEnd,
    testing::Values(TypedEnd{"FallingCrossing", halves(200, 50), "700", 500},
                    TypedEnd{"StepsUsedUp", halves(200, 50), "900", 800},
                    TypedEnd{"JustPastTheCrossing", halves(200, 50), "501", 500},
                    TypedEnd{"RisingCrossing", halves(50, 200), "700", 500},
                    TypedEnd{"SilenceStopsAt127", Bytes(1000, 128), "300", 127},
                    TypedEnd{"TheLastIndex", Bytes(1000, 128), "999", 998}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TypingTheEnd, EscapeOrLeavingPutsItBackAndAnEndOutOfViewIsScrolledTo) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[0] = {alternating(50'000), "long.wav", 49'999};
    ShownWindow w(slots);
    ASSERT_TRUE(w.active);
    const Slot before = w.window->workspace().bank()[1];
    for (const auto& leave :
         std::vector<std::function<void()>>{[&] { QTest::keyClick(&w.endBox(), Qt::Key_Escape); },
                                            [&] { w.find("playButton")->setFocus(); }}) {
        w.window->typeEndIndex();
        QTest::keyClicks(&w.endBox(), "1234");
        leave();
        EXPECT_EQ(w.endBox().value(), 49'999);
        EXPECT_FALSE(w.endBox().isEditing());
        EXPECT_EQ(w.window->workspace().bank()[1], before);
    }
    // A double click on the end readout is the other way in.
    QTest::mouseDClick(w.find("endReadout"), Qt::LeftButton);
    EXPECT_TRUE(w.endBox().hasFocus());

    w.view().zoomBy(64, 0); // the start of the sound
    ASSERT_LT(w.view().lastShown(), 20'000);
    w.endBox().selectAll();
    QTest::keyClicks(&w.endBox(), "30001");
    QTest::keyClick(&w.endBox(), Qt::Key_Enter);
    EXPECT_EQ(w.window->workspace().bank()[1].endIndex, 30'000);
    EXPECT_LE(w.view().firstShown(), 30'000);
    EXPECT_GE(w.view().lastShown(), 30'000);
    EXPECT_EQ(test::slider(*w.window).value(), 30'000);
}

TEST(WindowSays, DurationsTheSketchWrittenTheFolderAndWhoItIs) {
    std::vector<test::SlotContent> slots = test::patternedSlots(1000); // at 8000 Hz
    ShownWindow w(slots);
    ASSERT_TRUE(w.active);
    EXPECT_TRUE(w.find("samplesReadout")->toolTip().contains("0.125 s at 8000 Hz"));
    EXPECT_TRUE(w.find("endReadout")->toolTip().contains("1000 samples, 0.125 s"));
    EXPECT_TRUE(w.find("totalReadout")->toolTip().contains("Every slot played once: 2.000 s"));

    test::TempFolder target;
    w.dialog->answers = {target.file("kit.ino"), std::nullopt};
    w.window->saveWavetable();
    const QString status = test::labelText(*w.window, "statusLine");
    EXPECT_EQ(status, "Wrote kit.ino\n" + QString::fromStdString(flashFigureText(
                                              flashBudget(test::bankOf(slots), Board::Uno))));
    EXPECT_TRUE(w.find("statusLine")->toolTip().contains(target.file("kit.ino")));
    w.window->saveWavetable(); // cancelled: the last confirmation stays
    EXPECT_EQ(test::labelText(*w.window, "statusLine"), status);

    UrlsOpened opened;
    QDesktopServices::setUrlHandler("file", &opened, "open");
    QAction* folder = w.action("Open working folder: ");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->text().contains(QDir::toNativeSeparators(w.folder.path())));
    folder->trigger();
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(w.folder.path())});

    QCoreApplication::setApplicationVersion("9.8.7");
    QTest::keySequence(w.window.get(), QKeySequence("F1"));
    ASSERT_FALSE(w.questions->isEmpty());
    EXPECT_TRUE(w.questions->last().contains("9.8.7"));
    EXPECT_TRUE(
        w.questions->last().contains("released under the MIT licence", Qt::CaseInsensitive));
    EXPECT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
}

} // namespace
} // namespace wtb

#include "window_basics_tests.moc"
