// The shell's listing and its refusals, run as the built program with no display against
// temporary working folders: what `list` prints, and every refused command's status, message
// and untouched folder.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;
const auto entries = test::folderEntries;

using test::loaded;
using test::ShellKit;

TEST(ListCommand, PrintsEverySlotAndTheTotalsInTabSeparatedColumnsAndChangesNothing) {
    ShellKit kit;
    const auto before = test::folderChecksums(kit.folder.path());
    const test::ProgramRun run = runProgram({"--folder", kit.folder.path(), "list"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList expected;
    qint64 samples = 0;
    qint64 tableBytes = 0;
    double seconds = 0;
    double tableSeconds = 0;
    for (std::size_t i = 0; i < kit.slots.size(); ++i) {
        const test::SlotContent& slot = kit.slots[i];
        const auto length = static_cast<qint64>(slot.bytes.size());
        const double rate = kit.rate(i);
        // The seconds come last, so the columns before them keep their places.
        expected << QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8")
                        .arg(i + 1)
                        .arg(QString::fromStdString(slot.name))
                        .arg(kit.rate(i))
                        .arg(length)
                        .arg(slot.endIndex)
                        .arg(slot.endIndex + 1)
                        .arg(length / rate, 0, 'f', 3)
                        .arg((slot.endIndex + 1) / rate, 0, 'f', 3);
        samples += length;
        tableBytes += slot.endIndex + 1;
        seconds += length / rate;
        tableSeconds += (slot.endIndex + 1) / rate;
    }
    expected << QStringLiteral("total\t\t\t%1\t\t%2\t%3\t%4")
                    .arg(samples)
                    .arg(tableBytes)
                    .arg(seconds, 0, 'f', 3)
                    .arg(tableSeconds, 0, 'f', 3);
    // No board remembered: the Uno's.
    expected << QStringLiteral("Budget\tuno\t%1\t%2\tfits")
                    .arg(tableBytes + playerCodeBytes(Board::Uno, SampleFormat::Pcm8, false))
                    .arg(boardInfo(Board::Uno).sketchFlash);
    // Slot 9 is not in the table: its rate does not count.
    expected << QStringLiteral("Rates\tmixed\t8000: 1-6, 8, 10-16\t22050: 7");
    EXPECT_EQ(run.out, expected.join('\n') + '\n');
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
}

TEST(FolderLock, AChangeWaitsForTheWindowToCloseWhileReadingDoesNot) {
    ShellKit kit;
    const auto before = test::folderChecksums(kit.folder.path());
    {
        const WorkingFolderLock window(kit.folder.path()); // as an open window holds it
        const test::ProgramRun trim = runProgram({"--folder", kit.folder.path(), "trim", "1", "5"});
        EXPECT_EQ(trim.exitCode, 1);
        EXPECT_TRUE(trim.err.contains("already open in another window")) << trim.err.toStdString();
        EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
        EXPECT_EQ(runProgram({"--folder", kit.folder.path(), "list"}).exitCode, 0);
    }
    EXPECT_EQ(runProgram({"--folder", kit.folder.path(), "trim", "1", "5"}).exitCode, 0);
}

TEST(ListCommand, ShowsANewFolderAsTheWindowWouldLoadItWithoutWritingTheKit) {
    test::TempFolder fresh;
    test::TempFolder loadedByTheWindow;
    const test::ProgramRun run = runProgram({"list", "--folder", fresh.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const SlotBank kit = loaded(loadedByTheWindow.path());
    EXPECT_EQ(run.out.toStdString(), cli::formatSlotList(kit) + "Budget\tuno\t" +
                                         std::to_string(flashBudget(kit, Board::Uno).bytes) + "\t" +
                                         std::to_string(boardInfo(Board::Uno).sketchFlash) +
                                         "\tfits\nRates\tall\t8000\n");
    EXPECT_EQ(entries(fresh.path()), QStringList());
}

struct BudgetCase {
    const char* name;
    QStringList options;
    QString remembered; // the board the window last chose; empty for none
    std::int32_t slotLength;
    Board board; // whose budget the listing ends with
};

void PrintTo(const BudgetCase& budget, std::ostream* out) {
    *out << budget.name;
}

class ListBudget : public testing::TestWithParam<BudgetCase> {
protected:
    void TearDown() override { test::rememberBoard({}); }
};

TEST_P(ListBudget, EndsWithTheTableAgainstTheFlashOfTheBoard) {
    const BudgetCase& budget = GetParam();
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(budget.slotLength));
    test::rememberBoard(budget.remembered);
    const test::ProgramRun run =
        runProgram(QStringList{"--folder", folder.path(), "list"} + budget.options);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), 20) << run.out.toStdString(); // 16 slots, total, budget, rates, ""
    const std::int32_t table = 16 * budget.slotLength;
    const BoardInfo& board = boardInfo(budget.board);
    const std::int32_t flash = table + playerCodeBytes(budget.board, SampleFormat::Pcm8, false);
    EXPECT_EQ(lines[17], QStringLiteral("Budget\t%1\t%2\t%3\t%4")
                             .arg(QString::fromUtf8(board.id.data(), board.id.size()))
                             .arg(flash)
                             .arg(board.sketchFlash)
                             .arg(flash <= board.sketchFlash ? "fits" : "does not fit"));
    EXPECT_EQ(lines[18], "Rates\tall\t8000");
}

// 25,600 bytes fit the Uno but not the Leonardo; 32,000 bytes only the Mega.
INSTANTIATE_TEST_SUITE_P(
    Boards, ListBudget,
    testing::Values(
        BudgetCase{"TheUnoWhenNoneIsRemembered", {}, "", 1600, Board::Uno},
        BudgetCase{"TheRememberedBoard", {}, "leonardo", 1600, Board::Leonardo},
        BudgetCase{"TheUnoForABoardNoLongerKnown", {}, "due", 2000, Board::Uno},
        BudgetCase{"TheBoardAskedFor", {"--board", "mega2560"}, "leonardo", 2000, Board::Mega2560}),
    [](const auto& test) { return std::string(test.param.name); });

struct Refusal {
    const char* name;
    QStringList arguments; // FOLDER, GOOD, TEXT and MISSING stand for the test's paths
    int exitCode;
    QString message;
    QString folder = QStringLiteral("FOLDER"); // the --folder given
    QString remembered = {};                   // the board the window last chose
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class RefusedCommand : public testing::TestWithParam<Refusal> {
protected:
    void TearDown() override { test::rememberBoard({}); }
};

TEST_P(RefusedCommand, ExitsWithItsStatusAndMessageAndChangesNothing) {
    const Refusal& refusal = GetParam();
    ShellKit kit;
    test::TempFolder source;
    test::TempFolder here;
    test::writeWav8(source.file("good.wav"), Bytes(400, 160));
    test::writeText(source.file("text.wav"), "not a sound\n");
    test::writeText(source.file("lone file"), "x");
    QDir(kit.folder.path()).mkdir("partial");
    QFile::copy(slotFilePath(kit.folder.path(), 1), kit.folder.file("partial/1.wav"));
    // 32,000 bytes, more than the Uno and the Leonardo hold; 67,200, more than any board reads.
    const std::map<QString, std::int32_t> tooLarge = {{"big", 2000}, {"huge", 4200}};
    for (const auto& [name, length] : tooLarge) {
        QDir(kit.folder.path()).mkdir(name);
        test::writeWorkingFolder(kit.folder.file(name), test::patternedSlots(length));
    }
    test::rememberBoard(refusal.remembered);
    const auto substitute = [&](QString argument) {
        return argument.replace("FOLDER", kit.folder.path())
            .replace("GOOD", source.file("good.wav"))
            .replace("TEXT", source.file("text.wav"))
            .replace("LONE", source.file("lone file"))
            .replace("MISSING", source.file("missing.wav"));
    };
    QStringList arguments{"--folder", substitute(refusal.folder)};
    for (const QString& argument : refusal.arguments) {
        arguments << substitute(argument);
    }
    const QStringList folders = {kit.folder.path(), kit.folder.file("partial"),
                                 kit.folder.file("big"), kit.folder.file("huge")};
    std::vector<std::map<QString, QByteArray>> before;
    for (const QString& folder : folders) {
        before.push_back(test::folderChecksums(folder));
    }

    const test::ProgramRun run = runProgram(arguments, here.path());
    EXPECT_EQ(run.exitCode, refusal.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(substitute(refusal.message))) << run.err.toStdString();
    EXPECT_EQ(run.err.contains("Usage: wavetable-builder"), refusal.exitCode == 2);
    EXPECT_EQ(run.out, "");
    for (qsizetype i = 0; i < folders.size(); ++i) {
        EXPECT_EQ(test::folderChecksums(folders[i]), before[i]) << folders[i].toStdString();
    }
    EXPECT_EQ(entries(here.path()), QStringList());
    EXPECT_FALSE(QFileInfo::exists(source.file("missing.wav")));
}

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, RefusedCommand,
    testing::Values(
        Refusal{"UnknownCommand", {"frob"}, 2, "Unknown command \"frob\""},
        Refusal{"UnknownOption", {"list", "--bogus"}, 2, "Unknown option 'bogus'"},
        Refusal{"MissingArgument", {"import", "3"}, 2, "import takes SLOT FILE"},
        Refusal{"ExtraArgument", {"list", "now"}, 2, "list takes no arguments"},
        Refusal{"SlotPastSixteen", {"import", "17", "GOOD"}, 2, "\"17\" is not a slot number"},
        Refusal{"SlotZero", {"trim", "0", "10"}, 2, "\"0\" is not a slot number"},
        Refusal{"SlotNotANumber", {"normalise", "3x"}, 2, "\"3x\" is not a slot number"},
        Refusal{"EndNotWhole", {"trim", "3", "1.5"}, 2, "\"1.5\" is not an end index"},
        Refusal{"RateNotANumber", {"resample", "all", "fast"}, 2, "\"fast\" is not a sample rate"},
        Refusal{"RateZero", {"import", "1", "GOOD", "--rate", "0"}, 2, "\"0\" is not a sample"},
        Refusal{"OptionOfAnotherCommand",
                {"export", "--rate", "8000"},
                2,
                "--rate does not go with export"},
        Refusal{"OptionWithoutCommand", {"--force"}, 2, "--force goes with a command"},
        Refusal{"UnknownBoard", {"export", "--board", "due"}, 2, "Unknown board \"due\""},
        Refusal{"UnknownFormat", {"export", "--format", "mp3"}, 2, "Unknown sample format \"mp3\""},
        Refusal{"UnknownFormatToList", {"list", "--format", "PCM8"}, 2, "Unknown sample format"},
        Refusal{"UnknownBoardToList", {"list", "--board", "Uno"}, 2, "Unknown board \"Uno\""},
        Refusal{"EmptyOutput", {"export", "-o", ""}, 2, "--output needs a value"},
        Refusal{"EmptyFolder", {"list"}, 2, "The folder given with --folder is empty.", ""},
        Refusal{"LoopWithoutEnd", {"loop", "3", "10"}, 2, "is not \"none\""},
        Refusal{"LoopAlone", {"loop", "3"}, 2, "loop takes SLOT START END, or SLOT none"},
        Refusal{"LoopStartNotWhole", {"loop", "3", "1.5", "9"}, 2, "\"1.5\" is not a loop start"},
        Refusal{"LoopEndNotANumber", {"loop", "3", "1", "end"}, 2, "\"end\" is not a loop end"}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FailedOperations, RefusedCommand,
    testing::Values(
        Refusal{"EndPastTheSlot",
                {"trim", "4", "300"},
                1,
                "End index 300 is outside slot 4, whose samples are 0..299"},
        Refusal{"EndBelowZero", {"trim", "4", "--", "-1"}, 1, "End index -1 is outside slot 4"},
        Refusal{"LoopPastTheEndIndex",
                {"loop", "4", "10", "100"},
                1,
                "The loop 10 to 100 does not fit slot 4: it must end at or before the slot's "
                "end (the green end marker), at sample "},
        Refusal{"LoopBackwards",
                {"loop", "4", "50", "40"},
                1,
                "The loop 50 to 40 does not fit slot 4: it must start at or before the sample "
                "where it ends."},
        Refusal{"LoopOfASlotTheSketchLeavesOut", {"loop", "9", "0", "5"}, 1, "end index of slot 9"},
        Refusal{"MissingFile", {"import", "3", "MISSING"}, 1, "MISSING"},
        Refusal{"NotASoundFile", {"import", "3", "TEXT"}, 1, "TEXT"},
        Refusal{"UnwritableOutput", {"export", "-o", "LONE/x.ino"}, 1, "LONE/x.ino"},
        // A command that would have made the folder leaves none behind when it fails.
        Refusal{"ChangeOfAMissingFolderFailing", {"import", "3", "TEXT"}, 1, "TEXT", "MISSING/kit"},
        Refusal{"FolderIsAFile", {"export"}, 1, "\"LONE\" is not a folder", "LONE"},
        Refusal{"DamagedFolder", {"trim", "1", "10"}, 1, "has no file \"2.wav\"", "FOLDER/partial"},
        Refusal{"ResampleBelowTheRates", {"resample", "3", "999"}, 1, "target rate 999 Hz"},
        Refusal{"ResampleAboveTheRates", {"resample", "all", "96001"}, 1, "target rate 96001 Hz"},
        Refusal{"ImportBelowTheRates",
                {"import", "3", "GOOD", "--normalise", "--rate", "500"},
                1,
                "target rate 500 Hz"},
        Refusal{"ExportTooLargeForTheBoard",
                {"export", "--board", "uno"},
                1,
                "takes 34504 bytes of flash (32000 of them the table), but the Uno/Nano "
                "(ATmega328P) has "
                "32256",
                "FOLDER/big"},
        Refusal{"ExportTooLargeForTheRememberedBoard",
                {"export"},
                1,
                "but the Leonardo/Micro (ATmega32U4) has 28672",
                "FOLDER/big",
                "leonardo"},
        Refusal{"ExportForcedBeyondTheAccessors",
                {"export", "--board", "uno", "--force"},
                1,
                "holds 67200 samples, more than the 65535",
                "FOLDER/huge"}),
    [](const auto& test) { return std::string(test.param.name); });

// The kit's slot 16 repeats every 16 samples: 500 Hz at 8,000 Hz.
INSTANTIATE_TEST_SUITE_P(
    SingleCycle, RefusedCommand,
    testing::Values(
        Refusal{"WithoutSlot", {"single-cycle"}, 2, "single-cycle takes SLOT"},
        Refusal{"LengthNotANumber",
                {"single-cycle", "3", "--length", "big"},
                2,
                "\"big\" is not a table length: CELLS is a whole number."},
        Refusal{"IndexNotWhole",
                {"single-cycle", "3", "--at", "1.5"},
                2,
                "\"1.5\" is not an index: INDEX is a whole number."},
        Refusal{"LengthToAnotherCommand",
                {"trim", "3", "5", "--length", "256"},
                2,
                "--length does not go with trim"},
        Refusal{"LengthNotAPowerOfTwo",
                {"single-cycle", "3", "--length", "300"},
                1,
                "Slot 3 gives no single cycle. A single cycle is 32, 64, 128, 256, 512, 1024 or "
                "2048 cells long, not 300."}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace wtb
