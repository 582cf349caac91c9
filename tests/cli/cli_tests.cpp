// Every command of the built program, run as a process with no display, against temporary
// working folders: the files each leaves, its exit status and its messages.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "editing/LoopSeam.h"
#include "export/AdpcmSketch.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/SketchText.h"
#include "messages/ExportNotes.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cmath>
#include <map>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Slots of different lengths, rates, names and end indices, one of them contributing nothing,
// all quiet enough to be normalised.
struct Kit {
    Kit() {
        slots = test::patternedSlots(300);
        for (test::SlotContent& slot : slots) {
            for (std::uint8_t& sample : slot.bytes) {
                sample = static_cast<std::uint8_t>(96 + sample / 4);
            }
        }
        slots[3].endIndex = 99;
        slots[8].endIndex = -1;
        slots[5].bytes.resize(120);
        slots[5].endIndex = 119;
        test::writeWorkingFolder(folder.path(), slots);
        test::writeWav8(slotFilePath(folder.path(), 7), slots[6].bytes, 22050);
    }
    std::int32_t rate(std::size_t index) const { return index == 6 ? 22050 : 8000; }
    test::TempFolder folder;
    std::vector<test::SlotContent> slots;
};

SlotBank loaded(const QString& folder) {
    return loadWorkingFolder(folder, NewFolder::WriteDefaultKit);
}

TEST(ListCommand, PrintsEverySlotAndTheTotalsInTabSeparatedColumnsAndChangesNothing) {
    Kit kit;
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
    Kit kit;
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

TEST(ImportCommand, LoadsTheFileIntoTheSlotAndSavesTheFolderWhole) {
    Kit kit;
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
    Kit kit;
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
    Kit kit;
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
    Kit kit;
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
    Kit shell;
    Kit inProcess;
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

TEST(ExportCommand, WritesTheSketchOfTheFolderHereOrWhereAskedAndLeavesTheFolderAlone) {
    Kit kit;
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
    Kit kit;
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

TEST(HelpAndVersion, AnswerOnStandardOutputAndWriteNothingAnywhere) {
    // The program's usual folder is its own: give it an empty one to see that stays empty.
    test::TempFolder programFolder;
    const QString program = programFolder.file("wavetable-builder");
    ASSERT_TRUE(QFile::copy(test::builtProgram(), program));
    test::TempFolder here;
    test::TempFolder named;
    const QList<QStringList> requests = {
        {"--help"},    {"-h"}, {"list", "--help"},
        {"--version"}, {"-v"}, {"--folder", named.path(), "--version"}};
    for (const QStringList& request : requests) {
        const test::ProgramRun run = runProgram(request, here.path(), program);
        EXPECT_EQ(run.exitCode, 0) << request.join(' ').toStdString();
        EXPECT_EQ(run.err, "");
        if (request.contains("--version") || request.contains("-v")) {
            EXPECT_TRUE(run.out.contains(
                QRegularExpression("^Brimtock Wavetable Builder [0-9]+\\.[0-9]+\\.[0-9]+\n$")))
                << run.out.toStdString();
        } else {
            for (const char* word :
                 {"Usage:", " list", " import", " trim", " resample", " normalise", " export",
                  "--folder", "--board", "--force", " cut-start", " trim-silence", "--threshold"}) {
                EXPECT_TRUE(run.out.contains(word)) << word;
            }
        }
    }
    EXPECT_EQ(entries(programFolder.path()), QStringList{"wavetable-builder"});
    EXPECT_EQ(entries(here.path()), QStringList());
    EXPECT_EQ(entries(named.path()), QStringList());
}

TEST(DefaultWorkingFolder, IsTheProgramsOwnFolderWhenNoneIsGiven) {
    test::TempFolder programFolder;
    const QString program = programFolder.file("wavetable-builder");
    ASSERT_TRUE(QFile::copy(test::builtProgram(), program));
    test::TempFolder source;
    test::writeWav8(source.file("beside.wav"), Bytes(20, 100));
    test::TempFolder here;
    ASSERT_EQ(runProgram({"import", "9", source.file("beside.wav")}, here.path(), program).exitCode,
              0);
    EXPECT_EQ(loaded(programFolder.path())[9].name, "beside.wav");
    EXPECT_EQ(entries(here.path()), QStringList());
}

// Qt would abort in its constructor, with a core dump; the program says why and what else
// there is, and touches nothing.
TEST(NoDisplay, TheWindowIsRefusedInOneSentenceWithStatusOne) {
    test::TempFolder fresh;
    test::TempFolder here;
    const QString sentence = "Cannot open the window: no display was found (DISPLAY is not set); "
                             "without a display, use the command line (see wavetable-builder "
                             "--help).\n";
    for (const QStringList& request : {QStringList{}, QStringList{"--folder", fresh.path()}}) {
        SCOPED_TRACE(request.join(' ').toStdString());
        const test::ProgramRun run = runProgram(request, here.path()); // fails if killed
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, sentence);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(entries(fresh.path()), QStringList());
    EXPECT_EQ(entries(here.path()), QStringList()); // no core file either
}

TEST(FolderOption, AloneOpensTheWindowOnThatFolder) {
    test::TempFolder fresh;
    QProcess window;
    QProcessEnvironment environment = test::programEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    window.setProcessEnvironment(environment);
    window.start(test::builtProgram(), {"--folder", fresh.path()});
    ASSERT_TRUE(window.waitForStarted(10000));
    // The window's first start in an empty folder gives it the default kit; the command line
    // would have written nothing.
    const bool kitWritten = test::pollUntil(
        [&] { return QFileInfo::exists(settingsFilePath(fresh.path())); }, 20000, 20);
    const bool stillRunning = !window.waitForFinished(300); // the window stays open
    window.kill();
    window.waitForFinished(5000);
    EXPECT_TRUE(kitWritten);
    EXPECT_TRUE(stillRunning) << window.readAllStandardError().toStdString();
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
    Kit shell;
    Kit inProcess;
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
