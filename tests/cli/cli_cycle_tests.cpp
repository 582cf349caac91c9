// The shell's single cycles for the player that will play them: the advice of a refused player
// export, followed as given, leads to an export that succeeds.
#include "CliTestSupport.h"

#include "support/TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using test::runProgram;

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

} // namespace
} // namespace wtb
