// The shell's editing beyond the end point, run as the built program: several files at once,
// the start and silence trims, the note on a slot too large for the board, values that look
// like options, a working folder that does not exist yet, and where an export goes.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "export/PcmTableSketch.h"
#include "slots/DefaultKit.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;

const auto entries = test::folderEntries;

// A tone of `length` samples at 8000 Hz between `silence` samples of silence on either side.
Bytes toneInSilence(std::int32_t silence, std::int32_t length) {
    Bytes bytes(static_cast<std::size_t>(silence), 128);
    for (std::int32_t i = 0; i < length; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(128 - std::lround(70 * std::sin(0.2 + 0.3 * i))));
    }
    bytes.insert(bytes.end(), static_cast<std::size_t>(silence), 128);
    return bytes;
}

// A working folder whose slots 2 and 3 hold tones in silence, slot 3 with a loop.
struct ToneKit {
    ToneKit() {
        SlotBank bank = test::bankOf(test::patternedSlots(300));
        bank[2] = test::makeSlot(toneInSilence(400, 600), 1399, "two.wav");
        bank[3] = test::makeSlot(toneInSilence(250, 300), 799, "three.wav");
        bank[3].loop = Loop{300, 500};
        saveWorkingFolder(bank, folder.path());
    }
    test::TempFolder folder;
};

struct ShellEdit {
    const char* name;
    QStringList arguments; // A, B and C stand for three sound files
    std::function<void(Workspace&, const QStringList& files)> edit;
    const char* out; // nullptr: checked elsewhere
};

void PrintTo(const ShellEdit& edit, std::ostream* out) {
    *out << edit.name;
}

class ShellEditCommand : public testing::TestWithParam<ShellEdit> {};

// The folder the command leaves is byte for byte what the same operation of the workspace
// leaves, and the command says what it did.
TEST_P(ShellEditCommand, LeavesTheFolderAsTheWorkspaceOperationAndSaysWhatItDid) {
    const ShellEdit& edit = GetParam();
    test::TempFolder source;
    QStringList files;
    for (const char* name : {"c.wav", "a.wav", "b.wav"}) {
        files << source.file(name);
        test::writeWav8(files.last(), toneInSilence(100 + 50 * files.size(), 200), 11025);
    }
    ToneKit shell;
    ToneKit inProcess;
    const auto before = test::folderChecksums(shell.folder.path());
    QStringList arguments{"--folder", shell.folder.path()};
    for (const QString& argument : edit.arguments) {
        arguments << (argument == "A"   ? files[0]
                      : argument == "B" ? files[1]
                      : argument == "C" ? files[2]
                                        : argument);
    }

    const test::ProgramRun run = runProgram(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    if (edit.out != nullptr) {
        EXPECT_EQ(run.out, edit.out);
    }
    EXPECT_EQ(run.err, "");
    {
        Workspace workspace(inProcess.folder.path(),
                            std::make_unique<WorkingFolderLock>(inProcess.folder.path()),
                            NewFolder::WriteDefaultKit);
        edit.edit(workspace, files);
        workspace.save();
    }
    const auto after = test::folderChecksums(shell.folder.path());
    EXPECT_NE(after, before) << "the edit changed nothing";
    EXPECT_EQ(after, test::folderChecksums(inProcess.folder.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ShellEditCommand,
    testing::Values(
        ShellEdit{"ImportThreeFilesInOrder",
                  {"import", "14", "A", "B", "C"},
                  [](Workspace& ws, const QStringList& files) { ws.importFiles(14, files, {}); },
                  ""},
        ShellEdit{"ImportTwoAtARateNormalised",
                  {"import", "5", "B", "C", "--rate", "8000", "--normalise"},
                  [](Workspace& ws, const QStringList& files) {
                      ws.importFiles(5, files.mid(1), {8000, true});
                  },
                  ""},
        ShellEdit{"CutStart",
                  {"cut-start", "2", "350"},
                  [](Workspace& ws, const QStringList&) { ws.cutStart(2, 350); },
                  "Slot 2 now starts at the sample that was at index 400 and ends at index "
                  "999.\n"},
        ShellEdit{"CutStartIntoTheLoop",
                  {"cut-start", "3", "320"},
                  [](Workspace& ws, const QStringList&) { ws.cutStart(3, 320); },
                  "Slot 3 now starts at the sample that was at index 323 and ends at index 476. "
                  "Its loop began before the cut and is now 0..177.\n"},
        ShellEdit{
            "TrimSilenceOfOneSlot",
            {"trim-silence", "2"},
            [](Workspace& ws, const QStringList&) { ws.trimSilence(2, kDefaultSilenceThreshold); },
            "Slot 2 starts 399 quiet samples later and ends at index 601.\n"},
        ShellEdit{"TrimSilenceOfAllAtAThreshold",
                  {"trim-silence", "all", "--threshold", "5"},
                  [](Workspace& ws, const QStringList&) { ws.trimSilence(std::nullopt, 5); },
                  nullptr}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TrimSilenceCommand, ReportsEverySlotOfAll) {
    ToneKit kit;
    const test::ProgramRun run =
        runProgram({"--folder", kit.folder.path(), "trim-silence", "all", "--threshold", "5"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 16) << run.out.toStdString();
    EXPECT_EQ(lines[2], "Slot 3 starts 249 quiet samples later and ends at index 301. Its loop "
                        "is now 51..251.");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("Slot %1 ").arg(i + 1))) << i;
    }
}

struct Oversize {
    const char* name;
    QString rememberedBoard;
    QString rememberedFormat;
    std::int32_t length; // samples at 16,000 Hz
    const char* warning; // empty: none
};

void PrintTo(const Oversize& each, std::ostream* out) {
    *out << each.name;
}

class ImportOversize : public testing::TestWithParam<Oversize> {
protected:
    void TearDown() override {
        test::rememberBoard({});
        test::rememberSampleFormat({});
    }
};

// Weighed against the board and format the window last chose; the import is done all the same.
TEST_P(ImportOversize, WarnsOnStderrOfASlotTooLargeForTheBoardAloneAndImportsIt) {
    const Oversize& each = GetParam();
    test::TempFolder folder;
    test::TempFolder source;
    test::writeWav8(source.file("long.wav"), Bytes(static_cast<std::size_t>(each.length), 140),
                    16000);
    test::rememberBoard(each.rememberedBoard);
    test::rememberSampleFormat(each.rememberedFormat);
    const test::ProgramRun run =
        runProgram({"--folder", folder.path(), "import", "7", source.file("long.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.toStdString(), std::string(each.warning));
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::KeepEmpty)[7].sampleCount(), each.length);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, ImportOversize,
    testing::Values(
        Oversize{"FitsTheUno", "", "", 29752, ""},
        Oversize{"OverTheUno", "", "", 40000,
                 "wavetable-builder: warning: Slot 7 alone takes 40000 bytes of the table, 1.3 "
                 "times the 29752 bytes the Uno/Nano (ATmega328P) has room for. It would fit "
                 "resampled to 11900 Hz or lower, or ended at index 29751 or earlier (its first "
                 "1.859 s), or as 4-bit ADPCM.\n"},
        Oversize{"FitsTheRememberedMega", "mega2560", "", 40000, ""},
        Oversize{"OverTheRememberedFormat", "", "adpcm4", 70000,
                 "wavetable-builder: warning: Slot 7 alone takes 35840 bytes of the table, 1.2 "
                 "times the 29231 bytes the Uno/Nano (ATmega328P) has room for. It would fit "
                 "resampled to 13000 Hz or lower, or ended at index 57090 or earlier (its first "
                 "3.568 s).\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(NegativeNumbers, AreValuesEvenWhereTheyLookLikeOptions) {
    ToneKit kit;
    test::TempFolder here;
    test::writeWav8(here.file("-5.wav"), Bytes(30, 150));
    const test::ProgramRun import =
        runProgram({"--folder", kit.folder.path(), "import", "9", "-5.wav"}, here.path());
    ASSERT_EQ(import.exitCode, 0) << import.err.toStdString();
    EXPECT_EQ(loadWorkingFolder(kit.folder.path(), NewFolder::KeepEmpty)[9].name, "-5.wav");

    const auto before = test::folderChecksums(kit.folder.path());
    const std::vector<std::pair<QStringList, QString>> refused{
        {{"trim", "2", "-5"}, "End index -5 is outside slot 2, whose samples are 0..1399."},
        {{"trim", "-5", "2"}, "\"-5\" is not a slot number"},
        {{"cut-start", "2", "-1"},
         "Index -1 is outside slot 2, whose start can be cut at 0..1399."},
        {{"trim-silence", "2", "--threshold", "-3"}, "The silence threshold -3 is outside 0..127."},
        {{"trim-silence", "2", "--threshold=-3"}, "The silence threshold -3 is outside 0..127."},
        {{"trim", "2", "-1e3"}, "\"-1e3\" is not an end index"},
    };
    for (const auto& [arguments, message] : refused) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const test::ProgramRun run =
            runProgram(QStringList{"--folder", kit.folder.path()} + arguments);
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("Unknown option")) << run.err.toStdString();
        EXPECT_EQ(run.exitCode, run.err.contains("Usage:") ? 2 : 1);
    }
    EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
}

// One rule for --folder: a folder that does not exist is a new one. A command that changes a
// slot makes it (with the folders above it) holding the default kit and the change; list and
// export read the default kit, say so, and make nothing.
TEST(MissingFolder, IsMadeByAChangeAndOnlyReadByListAndExport) {
    test::TempFolder top;
    const QString folder = top.file("kits/new");
    test::TempFolder here;
    const SlotBank kit = defaultKitBank();
    const std::string note = "wavetable-builder: warning: The working folder \"" +
                             folder.toStdString() + "\" does not exist:";

    const test::ProgramRun list = runProgram({"--folder", folder, "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.startsWith(QString::fromStdString(cli::formatSlotList(kit))));
    EXPECT_TRUE(list.err.startsWith(QString::fromStdString(note))) << list.err.toStdString();
    const test::ProgramRun exported = runProgram({"--folder", folder, "export"}, here.path());
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(test::readText(here.file("Zozedovad.ino")), buildSketchText(kit));
    EXPECT_TRUE(exported.err.startsWith(QString::fromStdString(note)));
    EXPECT_EQ(entries(top.path()), QStringList());

    const test::ProgramRun trim = runProgram({"--folder", folder, "trim-silence", "all"});
    ASSERT_EQ(trim.exitCode, 0) << trim.err.toStdString();
    EXPECT_EQ(trim.err, "");
    const SlotBank made = loadWorkingFolder(folder, NewFolder::KeepEmpty);
    test::TempFolder scratch;
    Workspace expected(scratch.path(), std::make_unique<WorkingFolderLock>(scratch.path()),
                       NewFolder::KeepEmpty);
    expected.trimSilence(std::nullopt, kDefaultSilenceThreshold);
    EXPECT_EQ(made, expected.bank());
    EXPECT_EQ(runProgram({"--folder", folder, "list"}).err, "");
}

struct BadOutput {
    const char* name;
    QStringList arguments;
    QString named; // in the message
};

TEST(ExportCommand, ReportsAnOutputThatCannotBeWrittenBeforeTheBudget) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(2000)); // 32,000 bytes
    test::TempFolder here;
    test::writeText(here.file("file"), "x");
    const std::vector<BadOutput> cases{
        {"table into a missing folder", {"-o", "/nonexistent/x.ino"}, "/nonexistent/x.ino"},
        {"table under a file", {"-o", "file/x.ino"}, "file/x.ino"},
        {"player under a file", {"--player", "-o", "file/Drums"}, "file/Drums/Drums.ino"},
        {"forced table into a missing folder",
         {"-o", "/nonexistent/x.ino", "--force"},
         "/nonexistent/x.ino"},
    };
    for (const BadOutput& each : cases) {
        SCOPED_TRACE(each.name);
        const test::ProgramRun run = runProgram(
            QStringList{"--folder", folder.path(), "export", "--board", "uno"} + each.arguments,
            here.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("Cannot write \"" + each.named + "\""))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("32000")) << run.err.toStdString();
    }
    EXPECT_EQ(entries(here.path()), QStringList{"file"});
}

} // namespace
} // namespace wtb
