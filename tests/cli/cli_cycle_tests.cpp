// The shell's single cycles for the player that will play them: the advice of a refused player
// export, followed as given, leads to an export that succeeds.
#include "CliTestSupport.h"

#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace wtb {
namespace {

using test::loaded;
using test::runProgram;
using test::ShellKit;

// A steady 220 Hz sawtooth at 16,384 Hz: one cycle of 256 cells plays at 56,320 Hz.
void writeSaw(const QString& path) {
    test::Bytes bytes(16384);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double cycles = 220.0 * double(n) / 16384;
        bytes[n] = static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
    }
    test::writeWav8(path, bytes, 16384);
}

class ShellCycles : public testing::Test {
protected:
    void SetUp() override {
        test::rememberSampleFormat({});
        test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
        writeSaw(source.file("saw.wav"));
        ASSERT_EQ(run({"import", "3", source.file("saw.wav")}).exitCode, 0);
    }
    test::ProgramRun run(QStringList arguments) {
        arguments.prepend(kit.path());
        arguments.prepend(QStringLiteral("--folder"));
        return runProgram(arguments);
    }
    test::ProgramRun exportPlayer(const QString& format) {
        return run({"export", "--player", "-o", sketches.file("Kit"), "--format", format});
    }
    test::TempFolder kit;
    test::TempFolder source;
    test::TempFolder sketches;
};

TEST_F(ShellCycles, ACycleForTheAdpcmPlayerTakesATableItPlays) {
    const test::ProgramRun cycle = run({"single-cycle", "3", "--format", "adpcm4"});
    ASSERT_EQ(cycle.exitCode, 0) << cycle.err.toStdString();
    EXPECT_TRUE(cycle.out.startsWith("Slot 3 is one cycle of 128 cells"))
        << cycle.out.toStdString();
    const test::ProgramRun exported = exportPlayer("adpcm4");
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
}

TEST_F(ShellCycles, TheRefusedExportsAdviceWorksWhenFollowed) {
    ASSERT_EQ(run({"single-cycle", "3", "--format", "pcm8"}).exitCode, 0); // 256 cells, 56 kHz
    const test::ProgramRun refused = exportPlayer("adpcm4");
    ASSERT_NE(refused.exitCode, 0);
    ASSERT_TRUE(refused.err.contains("Make slot 3 a single cycle again with this format chosen"))
        << refused.err.toStdString();
    // The resample a plain rate refusal would advise keeps a single cycle's cells instead.
    const test::ProgramRun resample = run({"resample", "3", "16000"});
    EXPECT_NE(resample.exitCode, 0);
    EXPECT_TRUE(resample.err.contains("keeps its cells")) << resample.err.toStdString();

    const test::ProgramRun again = run({"single-cycle", "3", "--format", "adpcm4"});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.startsWith("Slot 3 is one cycle of 128 cells"))
        << again.out.toStdString();
    const test::ProgramRun exported = exportPlayer("adpcm4");
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
}

// The patterned kit's slot 16 repeats every 16 samples, 500 Hz at 8,000 Hz: 256 cells would
// play at 128,000 Hz, past every player.
TEST_F(ShellCycles, APitchTooHighForTheLengthAskedTakesTheLongestTableThatPlays) {
    const test::ProgramRun cycle = run({"single-cycle", "16"});
    ASSERT_EQ(cycle.exitCode, 0) << cycle.err.toStdString();
    EXPECT_TRUE(cycle.out.startsWith("Slot 16 is one cycle of 128 cells"))
        << cycle.out.toStdString();
    EXPECT_TRUE(cycle.out.contains(QRegularExpression("rate 6400[0-9] Hz, loop 0\\.\\.127,")))
        << cycle.out.toStdString();
}

// One second of a band-limited 220 Hz sawtooth, 16-bit mono at 44,100 Hz.
void writeSawtoothFile(const QString& path) {
    std::vector<int> samples(44100);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        double value = 0;
        for (int k = 1; k <= 100; ++k) {
            value += std::sin(2 * M_PI * k * 220 * double(n) / 44100) / k;
        }
        samples[n] = static_cast<int>(std::lround(-0.7 * 2 / M_PI * value * 32767)) * 65536;
    }
    test::writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, samples);
}

TEST(SingleCycleCommand, MakesTheCycleTheWorkspaceMakesAndSaysWhatItFound) {
    test::TempFolder source;
    writeSawtoothFile(source.file("saw.wav"));
    ShellKit shell;
    ShellKit inProcess;
    ASSERT_EQ(runProgram({"--folder", shell.folder.path(), "import", "3", source.file("saw.wav"),
                          "--rate", "16384"})
                  .exitCode,
              0);

    const test::ProgramRun run = runProgram(
        {"--folder", shell.folder.path(), "single-cycle", "3", "--length", "32", "--at", "5000"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(QRegularExpression("^Slot 3 is one cycle of 32 cells: pitch 2(19\\.9\\d|20\\.0\\d) "
                                   "Hz around index 5000, rate 70(39|40|41) Hz, loop 0\\.\\.31, "
                                   "seam jump ([01] steps?|2 steps)\\.\n$")
                    .match(run.out)
                    .hasMatch())
        << run.out.toStdString();
    const SlotBank after = loaded(shell.folder.path());
    EXPECT_EQ(after[3].sampleCount(), 32);
    EXPECT_EQ(after[3].endIndex, 31);
    EXPECT_EQ(after[3].loop, (Loop{0, 31}));
    EXPECT_EQ(after[3].name, "saw.wav");
    {
        Workspace workspace(inProcess.folder.path(),
                            std::make_unique<WorkingFolderLock>(inProcess.folder.path()),
                            NewFolder::WriteDefaultKit);
        workspace.importFiles(3, {source.file("saw.wav")}, {16384, false});
        workspace.makeSingleCycle(3, 32, 5000);
        workspace.save();
    }
    EXPECT_EQ(test::folderChecksums(shell.folder.path()),
              test::folderChecksums(inProcess.folder.path()));

    // by default 256 cells around the middle of the kept samples
    ASSERT_EQ(runProgram({"--folder", shell.folder.path(), "import", "3", source.file("saw.wav"),
                          "--rate", "16384"})
                  .exitCode,
              0);
    const test::ProgramRun byDefault =
        runProgram({"--folder", shell.folder.path(), "single-cycle", "3"});
    ASSERT_EQ(byDefault.exitCode, 0) << byDefault.err.toStdString();
    EXPECT_TRUE(byDefault.out.startsWith("Slot 3 is one cycle of 256 cells: pitch "))
        << byDefault.out.toStdString();
    EXPECT_TRUE(byDefault.out.contains(" Hz around index 8191, rate 563"))
        << byDefault.out.toStdString();
    EXPECT_EQ(loaded(shell.folder.path())[3].sampleCount(), 256);
}

} // namespace
} // namespace wtb
