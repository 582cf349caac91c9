// Single cycles made for the player that will play them, kept whole by a resample, and a step
// computed on a copy of the slots adopted only while the slots are as they were.
#include "editing/Normalise.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A sawtooth at `frequency` sampled at 16,384 Hz, spanning the 8-bit range.
Bytes sawtooth(double frequency) {
    Bytes bytes(16384);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double cycles = frequency * double(n) / 16384;
        bytes[n] = static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
    }
    return bytes;
}

class Cycles : public testing::Test {
protected:
    void SetUp() override {
        SlotBank bank = test::bankOf(test::patternedSlots(400), 16384);
        bank[6] = test::makeSlot(sawtooth(220), 16383, "saw", 16384);
        saveWorkingFolder(bank, folder.path());
        workspace = std::make_unique<Workspace>(folder.path(),
                                                std::make_unique<WorkingFolderLock>(folder.path()),
                                                NewFolder::WriteDefaultKit);
    }
    // The player sketch of the slots as they are, written: raises what the export raises.
    void exportPlayer(SampleFormat format) {
        workspace->exportPlayerSketch(sketches.file("Kit"), Board::Uno, format, OverBudget::Allow);
    }
    test::TempFolder folder;
    test::TempFolder sketches;
    std::unique_ptr<Workspace> workspace;
};

TEST_F(Cycles, ACycleTakesTheLongestTableUpToTheLengthAskedThatThePlayerPlays) {
    struct Case {
        SampleFormat format;
        std::int32_t asked;
        std::int32_t made; // 220 Hz: 256 cells play at 56,320 Hz
    };
    for (const Case& each :
         {Case{SampleFormat::Pcm8, 256, 256}, Case{SampleFormat::Pcm8, 2048, 256},
          Case{SampleFormat::Pcm8, 64, 64}, Case{SampleFormat::Adpcm4, 256, 128},
          Case{SampleFormat::Adpcm4, 2048, 128}, Case{SampleFormat::Adpcm4, 32, 32}}) {
        SCOPED_TRACE(std::string(sampleFormatDisplayName(each.format)) + " asked " +
                     std::to_string(each.asked));
        const SingleCycleReport report =
            workspace->makeSingleCycle(6, each.asked, std::nullopt, each.format);
        EXPECT_EQ(report.length, each.made);
        EXPECT_EQ(workspace->slot(6).sampleCount(), each.made);
        EXPECT_NEAR(1200 * std::log2(report.frequency / 220), 0.0, 1.0) << report.frequency;
        EXPECT_NO_THROW(exportPlayer(each.format));
        workspace->undo();
    }
}

// The refusal of a cycle too fast for the ADPCM player says what to do, and that works.
TEST_F(Cycles, TheAdviceForACycleTooFastForThePlayerWorksWhenFollowed) {
    workspace->makeSingleCycle(6, 256, std::nullopt, SampleFormat::Pcm8); // 56,320 Hz
    try {
        exportPlayer(SampleFormat::Adpcm4);
        FAIL() << "a rate above the ADPCM player's was exported";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("Make slot 6 a single cycle again"),
                  std::string::npos)
            << error.what();
    }
    // From the cycle itself, which is all the slot still holds.
    const SingleCycleReport again =
        workspace->makeSingleCycle(6, 256, std::nullopt, SampleFormat::Adpcm4);
    EXPECT_EQ(again.length, 128);
    EXPECT_NEAR(1200 * std::log2(again.frequency / 220), 0.0, 2.0) << again.frequency;
    EXPECT_NO_THROW(exportPlayer(SampleFormat::Adpcm4));
}

TEST_F(Cycles, AResampleKeepsASingleCyclesCellsAndSaysWhy) {
    workspace->makeSingleCycle(6, 256, std::nullopt, SampleFormat::Pcm8);
    const Slot cycle = workspace->slot(6);
    try {
        workspace->resample(std::int16_t{6}, 16000);
        FAIL() << "a single cycle was resampled";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("keeps its cells"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(workspace->slot(6), cycle);
    ASSERT_TRUE(workspace->resample(std::nullopt, 16000));
    EXPECT_EQ(workspace->slot(6), cycle);
    EXPECT_EQ(workspace->slot(1).sampleRate, 16000);
    EXPECT_NO_THROW(exportPlayer(SampleFormat::Pcm8));
}

TEST_F(Cycles, AStepMadeOnACopyIsAdoptedOnlyWhileTheSlotsAreAsTheCopyWas) {
    const Workspace::SaveSnapshot snapshot = workspace->snapshotForSave();
    Workspace copy(snapshot.folder, snapshot.bank);
    copy.normalise(std::int16_t{6});
    ASSERT_NE(copy.history().lastDone(), nullptr);
    const EditHistory::Step step = *copy.history().lastDone();

    workspace->trim(3, 200); // meanwhile the slots changed
    const std::vector<Slot> changed = test::allSlots(workspace->bank());
    EXPECT_FALSE(workspace->adopt(step, snapshot.revision));
    EXPECT_EQ(test::allSlots(workspace->bank()), changed);
    EXPECT_EQ(workspace->history().undoText(), "trim slot 3");

    workspace->undo();
    EXPECT_FALSE(workspace->adopt(step, snapshot.revision)) << "an undo is a change too";
    Workspace fresh(workspace->folder(), workspace->bank());
    fresh.normalise(std::int16_t{6});
    EXPECT_TRUE(workspace->adopt(*fresh.history().lastDone(), workspace->revision()));
    EXPECT_EQ(workspace->slot(6), normalisedSlot(snapshot.bank[6]));
    EXPECT_EQ(workspace->history().undoText(), "normalise slot 6");
    workspace->undo();
    EXPECT_EQ(workspace->slot(6), snapshot.bank[6]);
}

} // namespace
} // namespace wtb
