// The shell's export, run as the built program: the sample formats, where the sketch goes,
// the budget's warnings and the rates it names.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/PcmTableSketch.h"
#include "export/PlayerSketch.h"
#include "messages/ExportNotes.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <array>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;
const auto entries = test::folderEntries;

using test::loaded;
using test::ShellKit;

struct FormatCase {
    const char* name;
    QStringList options;
    QString remembered; // the format the window last chose; empty for none
    Board board;
    SampleFormat format; // what the listing counts and the exports write
};

void PrintTo(const FormatCase& format, std::ostream* out) {
    *out << format.name;
}

class SampleFormats : public testing::TestWithParam<FormatCase> {
protected:
    void TearDown() override { test::rememberSampleFormat({}); }
};

// The listing's budget, the table export and the player export all follow the format chosen, and
// the Mega's guard says on stderr how many bytes it changed: slot 2 holds a run of seven samples
// the table stores as 0x21.
TEST_P(SampleFormats, ListAndExportCountAndWriteTheChosenFormat) {
    const FormatCase& each = GetParam();
    test::TempFolder folder;
    std::vector<test::SlotContent> slots = test::patternedSlots(400);
    std::fill(slots[1].bytes.begin() + 100, slots[1].bytes.begin() + 107,
              std::uint8_t{0xa1}); // stored as 0x21
    test::writeWorkingFolder(folder.path(), slots);
    test::rememberSampleFormat(each.remembered);
    const SlotBank bank = loaded(folder.path());
    const BoardSketchText table = buildSketchText(bank, each.board, each.format);
    if (each.board == Board::Mega2560 && each.format == SampleFormat::Pcm8) {
        ASSERT_GT(table.changedBytes, 0) << "the run of 0x21 went unguarded";
    }

    const test::ProgramRun list =
        runProgram(QStringList{"--folder", folder.path(), "list"} + each.options);
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const FlashBudget budget = flashBudget(bank, each.board, each.format);
    EXPECT_EQ(list.out.split('\n').value(17).toStdString(),
              "Budget\t" + std::string(boardInfo(each.board).id) + "\t" +
                  std::to_string(budget.bytes) + "\t" + std::to_string(budget.room) + "\tfits");

    test::TempFolder here;
    for (const bool player : {false, true}) {
        const test::ProgramRun run =
            runProgram(QStringList{"--folder", folder.path(), "export", "-o", "out"} +
                           (player ? QStringList{"--player"} : QStringList{}) + each.options,
                       here.path());
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const std::string written = test::readText(here.file(player ? "out/Zozedovad.h" : "out"));
        EXPECT_EQ(written, player
                               ? buildPlayerHeaderText(table.text, playerRates(bank), {each.format})
                               : table.text)
            << (player ? "player" : "table");
        EXPECT_NE(run.err.toStdString().find(flashFigureText(budget)), std::string::npos)
            << run.err.toStdString();
        const std::string note = guardedBytesNote(table.changedBytes);
        EXPECT_EQ(run.err.toStdString().find(note) != std::string::npos, table.changedBytes > 0)
            << run.err.toStdString();
        QFile::remove(here.file("out"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SampleFormats,
    testing::Values(
        FormatCase{"PcmWhenNoneIsRemembered", {}, "", Board::Uno, SampleFormat::Pcm8},
        FormatCase{"AdpcmAsAsked", {"--format", "adpcm4"}, "", Board::Uno, SampleFormat::Adpcm4},
        FormatCase{"TheRememberedFormat", {}, "adpcm4", Board::Uno, SampleFormat::Adpcm4},
        FormatCase{
            "AskedOverRemembered", {"--format", "pcm8"}, "adpcm4", Board::Uno, SampleFormat::Pcm8},
        FormatCase{"MegaGuardsPcm",
                   {"--board", "mega2560", "--format", "pcm8"},
                   "",
                   Board::Mega2560,
                   SampleFormat::Pcm8},
        FormatCase{"MegaAdpcm",
                   {"--board", "mega2560", "--format", "adpcm4"},
                   "",
                   Board::Mega2560,
                   SampleFormat::Adpcm4}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ExportCommand, WritesTheSketchOfTheFolderHereOrWhereAskedAndLeavesTheFolderAlone) {
    ShellKit kit;
    test::TempFolder here;
    const auto before = test::folderChecksums(kit.folder.path());
    const std::string sketch = buildSketchText(loaded(kit.folder.path()));

    ASSERT_EQ(runProgram({"--folder", kit.folder.path(), "export"}, here.path()).exitCode, 0);
    EXPECT_EQ(test::readText(here.file("Zozedovad.ino")), sketch);
    ASSERT_EQ(QDir(here.path()).mkdir("out"), true);
    ASSERT_EQ(
        runProgram({"export", "--folder", kit.folder.path(), "-o", "out/kit.ino"}, here.path())
            .exitCode,
        0);
    EXPECT_EQ(test::readText(here.file("out/kit.ino")), sketch);
    EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
}

TEST(ExportCommand, WithForceWritesATableTooLargeForTheBoardAndWarns) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(2000)); // 32,000 bytes
    test::TempFolder here;
    const test::ProgramRun run =
        runProgram({"--folder", folder.path(), "export", "--board", "uno", "--force"}, here.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        "wavetable-builder: warning: With the player, the sketch takes " +
        QString::number(32'000 + playerCodeBytes(Board::Uno, SampleFormat::Pcm8, false)) +
        " bytes"))
        << run.err.toStdString();
    EXPECT_EQ(test::readText(here.file("Zozedovad.ino")), buildSketchText(loaded(folder.path())));
}

// Slots 3 and 16 at 16,384 Hz when `mixed`, all the others at 8,000 Hz; slot 9 is left out of
// the table, at a rate of its own that must not count.
SlotBank rateKit(const QString& folder, bool mixed) {
    SlotBank bank = test::bankOf(test::patternedSlots(200));
    bank[9].endIndex = -1;
    bank[9].sampleRate = 22050;
    if (mixed) {
        bank[3].sampleRate = bank[16].sampleRate = 16384;
    }
    saveWorkingFolder(bank, folder);
    return bank;
}

std::array<std::int32_t, 16> ratesOf(const SlotBank& bank) {
    std::array<std::int32_t, 16> rates{};
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        rates[static_cast<std::size_t>(slot - 1)] =
            bank[slot].endIndex < 0 ? 0 : bank[slot].sampleRate;
    }
    return rates;
}

struct RatesCase {
    const char* name;
    bool mixed;
    QStringList exportArguments;
    QString written; // relative to the current folder
    bool player;
};

class ExportRates : public testing::TestWithParam<RatesCase> {};

// The table stays byte for byte what it was; mixed rates are named on stderr, status 0; the
// player sketch holds each slot's own rate; list's last line agrees.
TEST_P(ExportRates, WarnOnStderrAboutMixedRatesAndWriteTheSketchAllTheSame) {
    const RatesCase& each = GetParam();
    test::TempFolder folder;
    test::TempFolder here;
    const SlotBank bank = rateKit(folder.path(), each.mixed);
    const test::ProgramRun run = runProgram(
        QStringList{"--folder", folder.path(), "export"} + each.exportArguments, here.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::string table = buildSketchText(bank);
    const QString header = QFileInfo(here.file(each.written)).path() + "/Zozedovad.h";
    EXPECT_EQ(test::readText(each.player ? header : here.file(each.written)),
              each.player ? buildPlayerHeaderText(table, ratesOf(bank), {}) : table);
    // What was written and its flash first, then the warnings.
    const QString flash =
        QString::fromStdString(flashFigureText(flashBudget(bank, Board::Uno)) + " on the " +
                               std::string(boardInfo(Board::Uno).displayName) + ".\n");
    const QString warnings = run.err.mid(run.err.indexOf(flash) + flash.size());
    EXPECT_TRUE(run.err.contains(flash)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QFileInfo(each.written).fileName())) << run.err.toStdString();
    if (each.mixed && !each.player) {
        EXPECT_EQ(warnings, "wavetable-builder: warning: The slots are not all at one sample rate: "
                            "slots 1-2, 4-8, 10-15 at 8000 Hz, slots 3, 16 at 16384 Hz. Played at "
                            "one rate, the slots at the others sound at the wrong pitch and speed; "
                            "the player sketch plays each slot at its own rate. To put every slot "
                            "at one rate: \"resample all 8000\".\n");
    } else {
        EXPECT_EQ(warnings, "");
    }
    const test::ProgramRun list = runProgram({"--folder", folder.path(), "list"});
    EXPECT_TRUE(list.out.endsWith(each.mixed
                                      ? "\nRates\tmixed\t8000: 1-2, 4-8, 10-15\t16384: 3, 16\n"
                                      : "\nRates\tall\t8000\n"))
        << list.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    TableAndPlayer, ExportRates,
    testing::Values(
        RatesCase{"TableAtMixedRates", true, {}, "Zozedovad.ino", false},
        RatesCase{"TableAtOneRate", false, {}, "Zozedovad.ino", false},
        RatesCase{"PlayerAtMixedRates", true, {"--player"}, "Zozedovad/Zozedovad.ino", true},
        RatesCase{"PlayerAtOneRate", false, {"--player"}, "Zozedovad/Zozedovad.ino", true},
        RatesCase{"PlayerInAFolderOfItsOwn",
                  true,
                  {"--player", "-o", "kits/Drums"},
                  "kits/Drums/Drums.ino",
                  true},
        RatesCase{
            "PlayerNamedAsAFile", false, {"--player", "-o", "Bells.ino"}, "Bells/Bells.ino", true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ExportCommand, RefusesAPlayerSlotRateTheBoardCannotPlayAndWritesNothing) {
    test::TempFolder folder;
    test::TempFolder here;
    SlotBank bank = test::bankOf(test::patternedSlots(50));
    bank[6].sampleRate = 192000;
    saveWorkingFolder(bank, folder.path());
    const test::ProgramRun run =
        runProgram({"--folder", folder.path(), "export", "--player"}, here.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Slot 6 is at 192000 Hz") && run.err.contains("Resample slot 6"))
        << run.err.toStdString();
    EXPECT_TRUE(entries(here.path()).isEmpty()) << entries(here.path()).join(' ').toStdString();
}

} // namespace
} // namespace wtb
