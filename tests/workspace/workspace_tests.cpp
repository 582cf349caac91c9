#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/AutoSave.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes tone(double frequency, std::int32_t rate, std::int32_t length) {
    Bytes bytes(static_cast<std::size_t>(length));
    for (std::int32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(
            128 + std::lround(60 * std::sin(2 * M_PI * frequency * i / rate)));
    }
    return bytes;
}

// A working folder of patterned slots, open for changes as the window opens it.
class OpenWorkspace : public testing::Test {
protected:
    void open(const SlotBank& bank) {
        saveWorkingFolder(bank, folder.path());
        workspace = std::make_unique<Workspace>(folder.path(),
                                                std::make_unique<WorkingFolderLock>(folder.path()),
                                                NewFolder::WriteDefaultKit);
        QObject::connect(workspace.get(), &Workspace::slotsChanged, [this] { ++changes; });
    }
    std::vector<Slot> slots() const { return test::allSlots(workspace->bank()); }

    test::TempFolder folder;
    std::unique_ptr<Workspace> workspace;
    int changes = 0;
};

TEST_F(OpenWorkspace, TrimSetsOnlyThatSlotsEndAndRefusesWhatTheSliderCannotShow) {
    std::vector<test::SlotContent> content = test::patternedSlots(1000);
    content[2].bytes = Bytes(1000, 200);
    std::fill(content[2].bytes.begin(), content[2].bytes.begin() + 500, 50);
    content[5].bytes = {};
    content[5].endIndex = -1;
    open(test::bankOf(content));
    std::vector<Slot> expected = slots();

    EXPECT_EQ(workspace->trim(3, 700), 500); // walked back to the rise at 500
    expected[2].endIndex = 500;
    EXPECT_EQ(slots(), expected);
    EXPECT_EQ(workspace->trim(6, 0), std::nullopt); // no samples: nothing to trim
    for (const auto& [slot, index] : {std::pair{3, 1000}, {3, -1}, {17, 5}, {0, 5}}) {
        SCOPED_TRACE(std::to_string(slot) + " at " + std::to_string(index));
        try {
            workspace->trim(static_cast<std::int16_t>(slot), index);
            ADD_FAILURE() << "accepted";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
        }
    }
    EXPECT_EQ(slots(), expected);
    EXPECT_EQ(changes, 1);
}

TEST_F(OpenWorkspace, ResampleAllChangesEverySlotAtAnotherRateAsOneStep) {
    SlotBank bank = test::bankOf(test::patternedSlots(400));
    bank[5] = test::makeSlot(tone(200, 11025, 300), 299, "five", 11025);
    bank[9] = test::makeSlot(tone(200, 16384, 300), 150, "nine", 16384);
    open(bank);
    const std::vector<Slot> before = slots();

    EXPECT_THROW(workspace->resample(std::nullopt, 200000), RuntimeError);
    EXPECT_EQ(slots(), before);

    EXPECT_TRUE(workspace->resample(std::nullopt, 16384));
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        EXPECT_EQ(workspace->slot(slot).sampleRate, 16384) << slot;
    }
    EXPECT_EQ(workspace->slot(9), before[8]);
    EXPECT_EQ(workspace->slot(5).endIndex, workspace->slot(5).lastIndex());
    EXPECT_EQ(workspace->history().undoText(), "resample all slots");

    EXPECT_FALSE(workspace->resample(5, 16384)); // already there: no step
    EXPECT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    EXPECT_TRUE(workspace->redo());
    EXPECT_EQ(workspace->slot(5).sampleRate, 16384);
    EXPECT_EQ(changes, 3);
}

TEST_F(OpenWorkspace, NormaliseChangesOnlyTheSamplesOfSlotsNotAtFullLevel) {
    SlotBank bank = test::bankOf(test::patternedSlots(100), 11025);
    bank[2] = test::makeSlot(Bytes(50, 128), 30, "silent", 11025);
    bank[4] = test::makeSlot({128, 160, 96, 140}, 2, "quiet", 11025);
    open(bank);

    EXPECT_FALSE(workspace->normalise(2));
    EXPECT_TRUE(workspace->normalise(4));
    EXPECT_EQ(workspace->slot(4), test::makeSlot({128, 255, 1, 176}, 2, "quiet", 11025));
    EXPECT_FALSE(workspace->normalise(4));
    workspace->normalise(std::nullopt);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        int peak = 0;
        for (const std::uint8_t byte : workspace->slot(slot).samples.bytes()) {
            peak = std::max(peak, std::abs(byte - 128));
        }
        EXPECT_EQ(peak, slot == 2 ? 0 : 127) << slot;
    }
}

TEST_F(OpenWorkspace, AFailedImportChangesNothingAndASuccessfulOneIsSavedWhole) {
    open(test::bankOf(test::patternedSlots(300)));
    const std::vector<Slot> before = slots();
    test::writeText(folder.file("notes.wav"), "Not a sound at all.\n");
    EXPECT_THROW(workspace->importFiles(4, {folder.file("notes.wav")}, {}), RuntimeError);
    test::writeWav8(folder.file("good.wav"), Bytes(10, 99));
    EXPECT_THROW(workspace->importFiles(17, {folder.file("good.wav")}, {}), RuntimeError);
    EXPECT_EQ(slots(), before);
    EXPECT_FALSE(workspace->hasUnsavedChanges());

    workspace->importFiles(4, {folder.file("good.wav")}, {});
    EXPECT_EQ(workspace->slot(4), test::makeSlot(Bytes(10, 99), 9, "good.wav"));
    EXPECT_TRUE(workspace->hasUnsavedChanges());
    workspace->save();
    EXPECT_FALSE(workspace->hasUnsavedChanges());
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::KeepEmpty), workspace->bank());
}

TEST_F(OpenWorkspace, SetLoopSettlesOnASeamlessJoinAsOneUndoableStep) {
    SlotBank bank = test::bankOf(test::patternedSlots(300));
    bank[3] = test::makeSlot(tone(200, 8000, 4000), 3599, "hum"); // a period of 40 samples
    open(bank);
    const std::vector<Slot> before = slots();

    const SettledLoop settled = workspace->setLoop(3, 1000, 2010);
    EXPECT_LE(settled.jump, kSeamlessJump);
    EXPECT_EQ(settled.jump, seamJump(workspace->slot(3).samples.bytes(), settled.loop));
    EXPECT_EQ(workspace->slot(3).loop, settled.loop);
    EXPECT_NE(settled.loop, (Loop{1000, 2010})); // a quarter period out: it moved
    EXPECT_EQ(workspace->history().undoText(), "set loop of slot 3");
    EXPECT_EQ(changes, 1);

    // The same loop again is no step.
    EXPECT_EQ(workspace->setLoop(3, settled.loop.start, settled.loop.end), settled);
    EXPECT_EQ(changes, 1);

    EXPECT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    EXPECT_TRUE(workspace->redo());
    EXPECT_EQ(workspace->slot(3).loop, settled.loop);

    EXPECT_TRUE(workspace->removeLoop(3));
    EXPECT_EQ(workspace->history().undoText(), "remove loop of slot 3");
    EXPECT_EQ(workspace->slot(3).loop, std::nullopt);
    EXPECT_FALSE(workspace->removeLoop(3));
    EXPECT_TRUE(workspace->undo());
    EXPECT_EQ(workspace->slot(3).loop, settled.loop);
    EXPECT_EQ(changes, 5);
}

TEST_F(OpenWorkspace, SetLoopRefusesEndsOutsideTheKeptSamplesAndChangesNothing) {
    std::vector<test::SlotContent> content = test::patternedSlots(1000);
    content[1].endIndex = 499;
    content[5] = {{}, "empty", -1};
    content[6].endIndex = -1;
    open(test::bankOf(content));
    const std::vector<Slot> before = slots();
    struct Case {
        std::int16_t slot;
        std::int32_t start, end;
    };
    for (const Case& each : {Case{2, 10, 500}, Case{2, -1, 100}, Case{2, 300, 200}, Case{6, 0, 0},
                             Case{7, 0, 0}, Case{2, 0, 1000}}) {
        SCOPED_TRACE(std::to_string(each.slot) + ": " + std::to_string(each.start) + " to " +
                     std::to_string(each.end));
        try {
            workspace->setLoop(each.slot, each.start, each.end);
            ADD_FAILURE() << "accepted";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
            EXPECT_NE(std::string(error.what()).find("slot " + std::to_string(each.slot)),
                      std::string::npos)
                << error.what();
        }
    }
    EXPECT_THROW(workspace->setLoop(17, 0, 10), RuntimeError);
    EXPECT_EQ(workspace->setLoop(2, 499, 499).loop, (Loop{499, 499})); // one sample is a loop
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(workspace->removeLoop(0), RuntimeError);
}

TEST_F(OpenWorkspace, ATrimIntoTheLoopPullsItInAndUndoBringsItBack) {
    SlotBank bank = test::bankOf(test::patternedSlots(300));
    bank[4] = test::makeSlot(tone(200, 8000, 4000), 3999, "hum");
    open(bank);
    workspace->setLoop(4, 1000, 2999);
    const Slot looped = workspace->slot(4);

    const std::int32_t end = *workspace->trim(4, 2500);
    ASSERT_TRUE(workspace->slot(4).loop);
    EXPECT_LE(workspace->slot(4).loop->end, end);
    EXPECT_TRUE(workspace->slot(4).holdsLoop(*workspace->slot(4).loop));
    workspace->trim(4, 900); // before the loop: none left
    EXPECT_EQ(workspace->slot(4).loop, std::nullopt);
    EXPECT_TRUE(workspace->undo());
    EXPECT_TRUE(workspace->undo());
    EXPECT_EQ(workspace->slot(4), looped);
}

TEST_F(OpenWorkspace, AutoSaveWritesABurstOnceAndReportsAFailureOnceUntilASaveWorks) {
    open(test::bankOf(test::patternedSlots(300)));
    AutoSave autoSave(*workspace, std::chrono::milliseconds(50));
    int saves = 0;
    QStringList failures;
    QObject::connect(&autoSave, &AutoSave::saved, [&] { ++saves; });
    QObject::connect(&autoSave, &AutoSave::saveFailed,
                     [&](const QString& why) { failures << why; });

    workspace->normalise(1);
    workspace->normalise(2);
    workspace->undo();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return saves > 0; }, 5000));
    test::spinEventLoopUntil([] { return false; }, 200);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(workspace->hasUnsavedChanges());
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::KeepEmpty), workspace->bank());

    // A folder in a slot file's place fails every save until it is gone.
    QFile::remove(slotFilePath(folder.path(), 9));
    QDir(folder.path()).mkdir("9.wav");
    for (std::int16_t slot : {3, 4}) {
        workspace->normalise(slot);
        test::spinEventLoopUntil([&] { return !autoSave.isSaving() && failures.size() > 0; }, 2000);
        test::spinEventLoopUntil([] { return false; }, 200);
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains("9.wav")) << failures[0].toStdString();
    EXPECT_TRUE(workspace->hasUnsavedChanges());

    QDir(folder.path()).rmdir("9.wav");
    workspace->normalise(5);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return saves == 2; }, 5000));
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::KeepEmpty), workspace->bank());
}

TEST(EditHistory, KeepsTheLastHundredStepsAndDropsRedoOnANewStep) {
    SlotBank bank;
    EditHistory history;
    for (int step = 1; step <= 120; ++step) {
        Slot after = bank[1];
        after.endIndex = step;
        history.record(QString::number(step), {{1, bank[1], after}});
        bank[1] = after;
    }
    int undone = 0;
    while (history.undo(bank)) {
        ++undone;
    }
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(bank[1].endIndex, 20);
    ASSERT_TRUE(history.redo(bank));
    history.record("new", {{2, bank[2], bank[2]}});
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoText(), "new");
}

// A second of a sawtooth at 16,384 Hz, rising over 200 steps, `frequency` times a second.
Bytes sawtooth(double frequency) {
    Bytes bytes(16384);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double cycles = frequency * double(n) / 16384;
        bytes[n] = static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
    }
    return bytes;
}

TEST_F(OpenWorkspace, MakeSingleCycleIsOneStepThatUndoPutsBackAndRedoMakesAgain) {
    SlotBank bank = test::bankOf(test::patternedSlots(400));
    bank[5] = test::makeSlot(sawtooth(220), 12000, "saw", 16384);
    open(bank);
    const std::vector<Slot> before = slots();

    const SingleCycleReport report = workspace->makeSingleCycle(5, 64, std::nullopt);
    EXPECT_EQ(report.at, 6000); // the middle of the kept samples 0..12000
    EXPECT_NEAR(1200 * std::log2(report.frequency / 220), 0.0, 1.0) << report.frequency;
    EXPECT_EQ(report.rate, std::lround(64 * report.frequency));
    const Slot& cycle = workspace->slot(5);
    EXPECT_EQ(cycle.sampleCount(), 64);
    EXPECT_EQ(cycle.sampleRate, report.rate);
    EXPECT_EQ(cycle.endIndex, 63);
    EXPECT_EQ(cycle.loop, (Loop{0, 63}));
    EXPECT_EQ(cycle.name, "saw");
    EXPECT_LE(report.seamJump, 2);
    std::vector<Slot> after = before;
    after[4] = cycle;
    EXPECT_EQ(slots(), after);
    EXPECT_EQ(workspace->history().undoText(), "make single cycle of slot 5");
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    ASSERT_TRUE(workspace->redo());
    EXPECT_EQ(slots(), after);

    // from the sound again, taken where asked
    ASSERT_TRUE(workspace->undo());
    const SingleCycleReport early = workspace->makeSingleCycle(5, 32, 10);
    EXPECT_EQ(early.at, 10);
    EXPECT_NEAR(1200 * std::log2(early.frequency / 220), 0.0, 1.0) << early.frequency;
    EXPECT_EQ(workspace->slot(5).sampleCount(), 32);
    EXPECT_EQ(changes, 5);
    EXPECT_FALSE(workspace->history().canRedo());
}

TEST_F(OpenWorkspace, ARefusedSingleCycleNamesTheSlotAndChangesNothing) {
    SlotBank bank = test::bankOf(test::patternedSlots(400));
    bank[3] = test::makeSlot(Bytes(4000, 128), 3999, "quiet");
    bank[7] = test::makeSlot(sawtooth(220), 16383, "saw", 16384);
    open(bank);
    const std::vector<Slot> before = slots();
    struct Case {
        std::int16_t slot;
        std::int32_t length;
        std::optional<std::int32_t> at;
        const char* message;
    };
    for (const Case& each : {
             Case{3, 256, std::nullopt, "Slot 3 gives no single cycle. The sound is silent"},
             Case{7, 256, 16384, "Slot 7 gives no single cycle. Index 16384 is outside"},
         }) {
        SCOPED_TRACE(each.message);
        try {
            workspace->makeSingleCycle(each.slot, each.length, each.at);
            ADD_FAILURE() << "made a cycle";
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find(each.message), std::string::npos)
                << error.what();
        }
    }
    EXPECT_THROW(workspace->makeSingleCycle(17, 256, std::nullopt), RuntimeError);
    EXPECT_EQ(slots(), before);
    EXPECT_FALSE(workspace->history().canUndo());
    EXPECT_EQ(changes, 0);
}

} // namespace
} // namespace wtb
