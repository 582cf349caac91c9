// The shell's commands that change a slot, run as the built program: import, trim, loop and the
// edits, each leaving the folder as the same workspace operation would.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "editing/LoopSeam.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;
const auto entries = test::folderEntries;

using test::loaded;
using test::ShellKit;

TEST(ImportCommand, LoadsTheFileIntoTheSlotAndSavesTheFolderWhole) {
    ShellKit kit;
    test::TempFolder source;
    Bytes sound(1234);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::uint8_t>(i * 7);
    }
    test::writeWav8(source.file("lead line.wav"), sound, 11025);
    const std::vector<Slot> before = test::allSlots(loaded(kit.folder.path()));

    const test::ProgramRun run =
        runProgram({"--folder", kit.folder.path(), "import", "5", source.file("lead line.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const SlotBank after = loaded(kit.folder.path());
    EXPECT_EQ(test::slotBytes(after, 5), sound);
    EXPECT_EQ(after[5].sampleRate, 11025);
    EXPECT_EQ(after[5].endIndex, 1233);
    EXPECT_EQ(after[5].name, "lead line.wav");
    for (std::int16_t slot = 1; slot <= 16; ++slot) {
        if (slot != 5) {
            EXPECT_EQ(after[slot], before[slot - 1]) << "slot " << slot;
        }
    }
}

TEST(ImportCommand, IntoANewFolderLeavesTheWholeFolderWithTheKitInTheOtherSlots) {
    test::TempFolder fresh;
    test::TempFolder source;
    test::writeWav8(source.file("one.wav"), Bytes(50, 140));
    ASSERT_EQ(
        runProgram({"--folder", fresh.path(), "import", "2", source.file("one.wav")}).exitCode, 0);
    test::TempFolder kitFolder;
    const SlotBank kit = loaded(kitFolder.path());
    const SlotBank after = loaded(fresh.path());
    EXPECT_EQ(test::slotBytes(after, 2), Bytes(50, 140));
    EXPECT_EQ(after[2].name, "one.wav");
    EXPECT_EQ(test::slotBytes(after, 1), test::slotBytes(kit, 1));
    EXPECT_EQ(after[16].name, kit[16].name);
}

TEST(TrimCommand, WalksTheEndBackToTheZeroCrossingAndChangesOnlyThatEndIndex) {
    ShellKit kit;
    Bytes falling(1000, 200); // above the zero line to 499, below from 500 on
    std::fill(falling.begin() + 500, falling.end(), 50);
    kit.slots[2] = {falling, "falling.wav", 999};
    test::writeWorkingFolder(kit.folder.path(), kit.slots);
    const std::string settingsBefore = test::readText(settingsFilePath(kit.folder.path()));

    const test::ProgramRun run = runProgram({"--folder", kit.folder.path(), "trim", "3", "560"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Slot 3 ends at index 500.\n");
    const SlotBank after = loaded(kit.folder.path());
    EXPECT_EQ(after[3].endIndex, 500);
    EXPECT_EQ(test::slotBytes(after, 3), falling);
    std::string expectedSettings = settingsBefore;
    const std::string line3 = "falling.wav\t999\r\n";
    expectedSettings.replace(expectedSettings.find(line3), line3.size(), "falling.wav\t500\r\n");
    EXPECT_EQ(test::readText(settingsFilePath(kit.folder.path())), expectedSettings);
}

TEST(LoopCommand, SetsTheSettledLoopThatListShowsAndNoneTakesItAway) {
    ShellKit kit;
    test::Bytes hum(3000);
    for (std::size_t i = 0; i < hum.size(); ++i) {
        hum[i] = static_cast<std::uint8_t>(std::lround(128 + 90 * std::sin(2 * M_PI * i / 40.3)));
    }
    kit.slots[2] = {hum, "hum.wav", 2999};
    test::writeWorkingFolder(kit.folder.path(), kit.slots);
    const test::ProgramRun listBefore = runProgram({"--folder", kit.folder.path(), "list"});
    const auto settingsBefore = test::readText(settingsFilePath(kit.folder.path()));
    const SettledLoop expected = snapLoop(hum, {1000, 2000}, 2999);

    const test::ProgramRun run =
        runProgram({"--folder", kit.folder.path(), "loop", "3", "1000", "2000"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "Slot 3 loops from index " +
                                         std::to_string(expected.loop.start) + " to " +
                                         std::to_string(expected.loop.end) + ", seam jump " +
                                         std::to_string(expected.jump) + ".\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(loaded(kit.folder.path())[3].loop, expected.loop);

    // Only the looped slot's line gains its loop, as two more fields; the budget line counts the
    // loops' accessors in the board's room, so it is left out here.
    const auto withoutBudget = [](const QString& listing) {
        QStringList lines = listing.split('\n');
        lines.removeIf([](const QString& line) { return line.startsWith("Budget"); });
        return lines;
    };
    QStringList lines = withoutBudget(listBefore.out);
    lines[2] += QStringLiteral("\t%1\t%2").arg(expected.loop.start).arg(expected.loop.end);
    EXPECT_EQ(withoutBudget(runProgram({"--folder", kit.folder.path(), "list"}).out), lines);

    const test::ProgramRun none = runProgram({"--folder", kit.folder.path(), "loop", "3", "none"});
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_EQ(none.out, "Slot 3 has no loop.\n");
    EXPECT_EQ(runProgram({"--folder", kit.folder.path(), "list"}).out, listBefore.out);
    EXPECT_EQ(test::readText(settingsFilePath(kit.folder.path())), settingsBefore);
}

TEST(ImportCommand, SaysOnStderrWhyAFilesLoopWasLeftOutAndStillImports) {
    ShellKit kit;
    test::TempFolder source;
    std::vector<std::int16_t> hum(2000);
    for (std::size_t i = 0; i < hum.size(); ++i) {
        hum[i] = static_cast<std::int16_t>(std::lround(9000 * std::sin(2 * M_PI * i / 50)));
    }
    test::writeWav16WithLoops(source.file("swing.wav"), hum, 8000, {{1, 100, 399}});
    test::writeWav16WithLoops(source.file("hum.wav"), hum, 8000, {{0, 100, 399}});

    const test::ProgramRun swing =
        runProgram({"--folder", kit.folder.path(), "import", "5", source.file("swing.wav")});
    EXPECT_EQ(swing.exitCode, 0);
    EXPECT_EQ(swing.out, "");
    EXPECT_EQ(swing.err, "wavetable-builder: warning: \"swing.wav\" has a ping-pong loop, which a "
                         "slot cannot play: only forward loops are taken, so it came in without "
                         "a loop.\n");
    const test::ProgramRun hum8 =
        runProgram({"--folder", kit.folder.path(), "import", "6", source.file("hum.wav")});
    EXPECT_EQ(hum8.out + hum8.err, "");
    const SlotBank after = loaded(kit.folder.path());
    EXPECT_EQ(after[5].name, "swing.wav");
    EXPECT_EQ(after[5].loop, std::nullopt);
    EXPECT_EQ(after[6].loop, (Loop{100, 399}));
    EXPECT_TRUE(runProgram({"--folder", kit.folder.path(), "list"})
                    .out.contains("6\thum.wav\t8000\t2000\t1999\t2000\t0.250\t0.250\t100\t399\n"));
}

struct SlotEdit {
    const char* name;
    QStringList arguments; // SOUND stands for a 16-bit stereo file at 44,100 Hz
    std::function<void(Workspace&, const QString& sound)> edit;
};

void PrintTo(const SlotEdit& edit, std::ostream* out) {
    *out << edit.name;
}

class EditCommand : public testing::TestWithParam<SlotEdit> {};

TEST_P(EditCommand, LeavesTheFolderAsTheEditingFunctionOnTheLoadedSlots) {
    const SlotEdit& edit = GetParam();
    test::TempFolder source;
    std::vector<int> frames(2 * 3000);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i] = static_cast<int>(std::sin(static_cast<double>(i) * 0.02) * 9.0e8);
    }
    test::writeSoundFile(source.file("sound.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         frames);
    ShellKit shell;
    ShellKit inProcess;
    const auto before = test::folderChecksums(shell.folder.path());
    QStringList arguments{"--folder", shell.folder.path()};
    for (const QString& argument : edit.arguments) {
        arguments << QString(argument).replace("SOUND", source.file("sound.wav"));
    }

    const test::ProgramRun run = runProgram(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out + run.err, "");
    {
        Workspace workspace(inProcess.folder.path(),
                            std::make_unique<WorkingFolderLock>(inProcess.folder.path()),
                            NewFolder::WriteDefaultKit);
        edit.edit(workspace, source.file("sound.wav"));
        workspace.save();
    }
    const auto after = test::folderChecksums(shell.folder.path());
    EXPECT_NE(after, before) << "the edit changed nothing";
    EXPECT_EQ(after, test::folderChecksums(inProcess.folder.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, EditCommand,
    testing::Values(SlotEdit{"ResampleOneSlot",
                             {"resample", "3", "11025"},
                             [](Workspace& ws, const QString&) { ws.resample(3, 11025); }},
                    SlotEdit{
                        "ResampleAll",
                        {"resample", "all", "11025"},
                        [](Workspace& ws, const QString&) { ws.resample(std::nullopt, 11025); }},
                    SlotEdit{"NormaliseOneSlot",
                             {"normalise", "4"},
                             [](Workspace& ws, const QString&) { ws.normalise(4); }},
                    SlotEdit{"NormaliseAll",
                             {"normalise", "all"},
                             [](Workspace& ws, const QString&) { ws.normalise(std::nullopt); }},
                    SlotEdit{"ImportAtARate",
                             {"import", "5", "SOUND", "--rate", "8000"},
                             [](Workspace& ws, const QString& sound) {
                                 ws.importFiles(5, {sound}, {8000, false});
                             }},
                    SlotEdit{"ImportNormalisedAtARate",
                             {"import", "5", "SOUND", "--normalise", "--rate", "16384"},
                             [](Workspace& ws, const QString& sound) {
                                 ws.importFiles(5, {sound}, {16384, true});
                             }},
                    SlotEdit{"ImportNormalised",
                             {"import", "12", "SOUND", "--normalise"},
                             [](Workspace& ws, const QString& sound) {
                                 ws.importFiles(12, {sound}, {std::nullopt, true});
                             }}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace wtb
