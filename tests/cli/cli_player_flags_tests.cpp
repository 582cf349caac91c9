// The player's voices, mixing rate and inputs on the command line: what the flags give, what
// they refuse and how, and the mixing player that `export --player` writes with them.
#include "CliTestSupport.h"

#include "cli/PlayerFlags.h"
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/MixBudget.h"
#include "export/PcmTableSketch.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <optional>

namespace wtb {
namespace {

// The options the flags give, or the usage error they raise.
struct Parsed {
    std::optional<PlayerOptions> options;
    std::string error;
};

Parsed parse(const QStringList& flags) {
    cli::GivenOptions given;
    for (qsizetype i = 0; i < flags.size(); ++i) {
        const cli::OptionEntry* option = cli::optionNamed(flags[i].mid(2));
        EXPECT_NE(option, nullptr) << flags[i].toStdString();
        given.set(option->id, option->value != nullptr ? flags[++i] : QString());
    }
    try {
        return {cli::playerOptionsFrom(given), {}};
    } catch (const cli::UsageError& error) {
        return {std::nullopt, error.what()};
    }
}

TEST(PlayerFlagsTest, GiveTheOptionsOrSayWhatIsWrong) {
    PlayerOptions full;
    full.voices = 4;
    full.mixRate = 11'025;
    full.midi = true;
    full.midiBaud = 115'200;
    full.pins = {{1, 2}, {16, 45}};
    const struct {
        QStringList flags;
        std::optional<PlayerOptions> wanted;
        const char* said;
    } cases[] = {
        {{}, PlayerOptions{}, ""},
        {{"--voices", "4", "--mix-rate", "11025", "--midi", "--midi-baud", "115200", "--pins",
          "1=2,16=45"},
         full,
         ""},
        {{"--voices", "9"}, std::nullopt, "1 to 8"},
        {{"--voices", "two"}, std::nullopt, "\"two\" is not a number of voices"},
        {{"--mix-rate", "0"}, std::nullopt, "positive number of hertz"},
        {{"--midi", "--midi-baud", "9600"}, std::nullopt, "31250"},
        {{"--midi-baud", "115200"}, std::nullopt, "give --midi too"},
        {{"--pins", "1-2"}, std::nullopt, "\"1-2\" is not a slot and its pin"},
        {{"--pins", "17=2"}, std::nullopt, "\"17=2\""},
        {{"--pins", "1=2,"}, std::nullopt, "\"\" is not a slot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags.join(' ').toStdString());
        const Parsed parsed = parse(c.flags);
        EXPECT_EQ(parsed.options, c.wanted) << parsed.error;
        EXPECT_NE(parsed.error.find(c.said), std::string::npos) << parsed.error;
    }
}

class PlayerFlagsExport : public testing::Test {
protected:
    void SetUp() override { test::writeWorkingFolder(folder_.path(), test::patternedSlots(300)); }

    test::ProgramRun exportPlayer(const QStringList& flags) {
        return test::runProgram(
            QStringList{"--folder", folder_.path(), "export", "-o", "out"} + flags, here_.path());
    }

    test::TempFolder folder_;
    test::TempFolder here_;
};

TEST_F(PlayerFlagsExport, WritesTheMixingPlayerTheFlagsChoose) {
    const test::ProgramRun run = exportPlayer(
        {"--player", "--voices", "3", "--midi", "--pins", "2=4", "--mix-rate", "8000"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const SlotBank bank = loadWorkingFolder(folder_.path(), NewFolder::KeepEmpty);
    PlayerOptions options;
    options.voices = 3;
    options.mixRate = 8'000;
    options.midi = true;
    options.pins = {{2, 4}};
    const PlayerParts parts{SampleFormat::Pcm8, false,
                            mixerSetup(bank, SampleFormat::Pcm8, options, Board::Uno)};
    EXPECT_EQ(test::readText(here_.file("out/Zozedovad.h")),
              buildPlayerHeaderText(buildSketchText(bank, Board::Uno, SampleFormat::Pcm8).text,
                                    playerRates(bank), parts));
}

TEST_F(PlayerFlagsExport, RefusesWhatDoesNotFitAndFlagsWithoutThePlayer) {
    const struct {
        QStringList flags;
        const char* said;
    } cases[] = {
        {{"--player", "--voices", "8", "--format", "adpcm4"}, "What would fit"},
        {{"--voices", "2"}, "give --player too"},
        {{"--player", "--pins", "1=3"}, "sound output"},
        {{"--player", "--mix-rate", "8000"}, "for the mixing player"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags.join(' ').toStdString());
        const test::ProgramRun run = exportPlayer(c.flags);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.err.toStdString().find(c.said), std::string::npos) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(here_.file("out")));
    }
}

} // namespace
} // namespace wtb
