// Every command of the built program, run as a process with no display, against temporary
// working folders: the files each leaves, its exit status and its messages.
#include "CliTestSupport.h"

#include "cli/SlotListing.h"
#include "export/SketchText.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Slots of different lengths, rates, names and end indices, one of them contributing nothing.
struct Kit {
    Kit() {
        slots = test::patternedSlots(300);
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
    SlotBank bank;
    LoadWorkingFolder(bank, folder);
    return bank;
}

TEST(ListCommand, PrintsEverySlotAndTheTotalsInTabSeparatedColumnsAndChangesNothing) {
    Kit kit;
    const auto before = test::folderChecksums(kit.folder.path());
    const test::ProgramRun run = runProgram({"--folder", kit.folder.path(), "list"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList expected;
    qint64 samples = 0;
    qint64 tableBytes = 0;
    for (std::size_t i = 0; i < kit.slots.size(); ++i) {
        const test::SlotContent& slot = kit.slots[i];
        const auto length = static_cast<qint64>(slot.bytes.size());
        expected << QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                        .arg(i + 1)
                        .arg(QString::fromStdString(slot.name))
                        .arg(kit.rate(i))
                        .arg(length)
                        .arg(slot.endIndex)
                        .arg(slot.endIndex + 1);
        samples += length;
        tableBytes += slot.endIndex + 1;
    }
    expected << QStringLiteral("total\t\t\t%1\t\t%2").arg(samples).arg(tableBytes);
    EXPECT_EQ(run.out, expected.join('\n') + '\n');
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
}

TEST(ListCommand, ShowsANewFolderAsTheWindowWouldLoadItWithoutWritingTheKit) {
    test::TempFolder fresh;
    test::TempFolder loadedByTheWindow;
    const test::ProgramRun run = runProgram({"list", "--folder", fresh.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), cli::formatSlotList(loaded(loadedByTheWindow.path())));
    EXPECT_EQ(entries(fresh.path()), QStringList());
}

TEST(ImportCommand, LoadsTheFileIntoTheSlotAndSavesTheFolderWhole) {
    Kit kit;
    test::TempFolder source;
    Bytes sound(1234);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::uint8_t>(i * 7);
    }
    test::writeWav8(source.file("lead line.wav"), sound, 11025);
    const std::vector<test::SlotState> before = test::allSlotStates(loaded(kit.folder.path()));

    const test::ProgramRun run =
        runProgram({"--folder", kit.folder.path(), "import", "5", source.file("lead line.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const SlotBank after = loaded(kit.folder.path());
    EXPECT_EQ(test::slotBytes(after, 5), sound);
    EXPECT_EQ(after.WaveDesc[5].sampleRate, 11025);
    EXPECT_EQ(after.OutBufLen[5], 1233);
    EXPECT_EQ(after.WaveName[5], "lead line.wav");
    for (std::int16_t slot = 1; slot <= 16; ++slot) {
        if (slot != 5) {
            auto state = test::slotState(after, slot);
            state.buffer = before[slot - 1].buffer; // another load, another buffer
            EXPECT_EQ(state, before[slot - 1]) << "slot " << slot;
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
    EXPECT_EQ(after.WaveName[2], "one.wav");
    EXPECT_EQ(test::slotBytes(after, 1), test::slotBytes(kit, 1));
    EXPECT_EQ(after.WaveName[16], kit.WaveName[16]);
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
    EXPECT_EQ(after.OutBufLen[3], 500);
    EXPECT_EQ(test::slotBytes(after, 3), falling);
    std::string expectedSettings = settingsBefore;
    const std::string line3 = "falling.wav\t999\r\n";
    expectedSettings.replace(expectedSettings.find(line3), line3.size(), "falling.wav\t500\r\n");
    EXPECT_EQ(test::readText(settingsFilePath(kit.folder.path())), expectedSettings);
}

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

struct Refusal {
    const char* name;
    QStringList arguments; // FOLDER, GOOD, TEXT and MISSING stand for the test's paths
    int exitCode;
    QString message;
    QString folder = QStringLiteral("FOLDER"); // the --folder given
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class RefusedCommand : public testing::TestWithParam<Refusal> {};

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
    const auto folderBefore = test::folderChecksums(kit.folder.path());
    const auto partialBefore = test::folderChecksums(kit.folder.file("partial"));

    const test::ProgramRun run = runProgram(arguments, here.path());
    EXPECT_EQ(run.exitCode, refusal.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(substitute(refusal.message))) << run.err.toStdString();
    EXPECT_EQ(run.err.contains("Usage: wavetable-builder"), refusal.exitCode == 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::folderChecksums(kit.folder.path()), folderBefore);
    EXPECT_EQ(test::folderChecksums(kit.folder.file("partial")), partialBefore);
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
        Refusal{"EmptyOutput", {"export", "-o", ""}, 2, "--output needs a value"},
        Refusal{"EmptyFolder", {"list"}, 2, "--folder needs a value", ""}),
    [](const auto& test) { return std::string(test.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FailedOperations, RefusedCommand,
    testing::Values(
        Refusal{"EndPastTheSlot",
                {"trim", "4", "300"},
                1,
                "End index 300 is outside slot 4, whose samples are 0..299"},
        Refusal{"EndBelowZero", {"trim", "4", "--", "-1"}, 1, "End index -1 is outside slot 4"},
        Refusal{"MissingFile", {"import", "3", "MISSING"}, 1, "MISSING"},
        Refusal{"NotASoundFile", {"import", "3", "TEXT"}, 1, "TEXT"},
        Refusal{"UnwritableOutput", {"export", "-o", "LONE/x.ino"}, 1, "LONE/x.ino"},
        Refusal{"MissingFolder", {"list"}, 1, "\"MISSING\" does not exist", "MISSING"},
        Refusal{"FolderIsAFile", {"export"}, 1, "\"LONE\" is not a folder", "LONE"},
        Refusal{"DamagedFolder", {"trim", "1", "10"}, 1, "has no file \"2.wav\"", "FOLDER/partial"},
        Refusal{"Resample", {"resample", "3", "8000"}, 1, "not available in this build"},
        Refusal{"Normalise", {"normalise", "all"}, 1, "not available in this build"},
        Refusal{"ImportAtARate", {"import", "3", "GOOD", "--rate", "8000"}, 1, "(--rate)"},
        Refusal{"ImportNormalised", {"import", "3", "GOOD", "--normalise"}, 1, "(--normalise)"},
        Refusal{"ListForABoard", {"list", "--board", "uno"}, 1, "(--board) is not available"},
        Refusal{"ExportForABoard", {"export", "--board", "mega2560"}, 1, "(--board) is not"},
        Refusal{"ExportForced", {"export", "--force"}, 1, "(--force) is not available"}),
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
            EXPECT_TRUE(run.out.startsWith("wavetable-builder")) << run.out.toStdString();
        } else {
            for (const char* word : {"Usage:", " list", " import", " trim", " resample",
                                     " normalise", " export", "--folder", "--board", "--force"}) {
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
    EXPECT_EQ(loaded(programFolder.path()).WaveName[9], "beside.wav");
    EXPECT_EQ(entries(here.path()), QStringList());
}

TEST(FolderOption, AloneOpensTheWindowOnThatFolder) {
    test::TempFolder fresh;
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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

} // namespace
} // namespace wtb
