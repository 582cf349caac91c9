// What the built program does with faults a user or a hostile edit brings: settings fields it
// cannot use, exports aimed at the working folder's own files, edits whose result no slot can
// hold, and output that cannot be written. Wherever a command is refused, the folder on disk
// is checked to be exactly as it was.
#include "CliTestSupport.h"

#include "common/TextLines.h"
#include "slots/SettingsFile.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using test::runProgram;

std::string settingsLine(const QString& folder, std::size_t index) {
    return std::string(splitTextLines(test::readText(settingsFilePath(folder))).at(index));
}

// A folder of sixteen 300-sample slots ("slot N.wav", end index 299) whose line for slot 5 is
// replaced by `line`, as a hand edit leaves it.
struct EditedKit {
    explicit EditedKit(const std::string& line) {
        test::writeWorkingFolder(folder.path(), test::patternedSlots(300));
        std::string text = test::readText(settingsFilePath(folder.path()));
        const std::string old = settingsLine(folder.path(), 4);
        text.replace(text.find(old), old.size(), line);
        test::writeText(settingsFilePath(folder.path()), text);
    }
    test::TempFolder folder;
};

struct BrokenLine {
    const char* name;
    const char* line;    // slot 5's line in Settings.txt
    const char* problem; // part of what every report of it says
};

void PrintTo(const BrokenLine& broken, std::ostream* out) {
    *out << broken.name;
}

class BrokenStoredFields : public testing::TestWithParam<BrokenLine> {};

TEST_P(BrokenStoredFields, AreReportedKeptUntilTheSlotChangesAndRefusedByEveryExport) {
    const BrokenLine& broken = GetParam();
    EditedKit kit(broken.line);
    const QString folder = kit.folder.path();
    const QString problem = QString::fromUtf8(broken.problem);
    test::TempFolder here;

    // Read: said on stderr, the folder untouched.
    const auto before = test::folderChecksums(folder);
    const test::ProgramRun list = runProgram({"--folder", folder, "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.err.contains("warning: Slot 5's ")) << list.err.toStdString();
    EXPECT_TRUE(list.err.contains(problem)) << list.err.toStdString();
    EXPECT_EQ(test::folderChecksums(folder), before);

    // Both exports refused with the same facts, nothing written anywhere.
    for (const QStringList& exportArguments :
         {QStringList{"export", "-o", here.file("x.ino")},
          QStringList{"export", "--player", "-o", here.file("player")}}) {
        const test::ProgramRun run = runProgram(QStringList{"--folder", folder} + exportArguments);
        EXPECT_EQ(run.exitCode, 1) << exportArguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("Slot 5 cannot be exported: its ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(problem)) << run.err.toStdString();
        EXPECT_EQ(QDir(here.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
        EXPECT_EQ(test::folderChecksums(folder), before);
    }

    // A change of another slot keeps the line byte for byte.
    const test::ProgramRun other = runProgram({"--folder", folder, "trim", "2", "150"});
    EXPECT_EQ(other.exitCode, 0) << other.err.toStdString();
    EXPECT_EQ(settingsLine(folder, 4), broken.line);
    EXPECT_NE(settingsLine(folder, 1), "slot 2.wav\t299");

    // A change of the slot itself writes its line anew, and the folder exports again.
    const test::ProgramRun own = runProgram({"--folder", folder, "trim", "5", "200"});
    EXPECT_EQ(own.exitCode, 0) << own.err.toStdString();
    EXPECT_EQ(settingsLine(folder, 4).rfind("slot 5.wav\t", 0), 0u);
    EXPECT_EQ(splitFields(settingsLine(folder, 4)).size(), 2u);
    const test::ProgramRun again =
        runProgram({"--folder", folder, "export", "-o", here.file("x.ino")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_FALSE(again.err.contains("Slot 5")) << again.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    HandEdits, BrokenStoredFields,
    testing::Values(
        BrokenLine{"LoopEndPastTheEndIndex", "slot 5.wav\t299\t100\t300",
                   "loop 100..300 in line 5 of"},
        BrokenLine{"LoopPastTheSound", "slot 5.wav\t299\t65536\t65537",
                   "loop 65536..65537 in line 5 of"},
        BrokenLine{"EndIndexPastTheSound", "slot 5.wav\t400\t100\t350",
                   "ends past its last sample, index 299"},
        BrokenLine{"EndIndexNotANumber", "slot 5.wav\tabc", "end index \"abc\" in line 5 of"},
        BrokenLine{"LoopStartNotANumber", "slot 5.wav\t299\tabc\t200",
                   "loop start \"abc\" in line 5 of"},
        BrokenLine{"LoopStartNegative", "slot 5.wav\t299\t-5\t200", "lies before the first sample"},
        BrokenLine{"LoopStartWithPlus", "slot 5.wav\t299\t+100\t200",
                   "loop start \"+100\" in line 5 of"},
        BrokenLine{"LoopEndWithTrailingSpace", "slot 5.wav\t299\t100\t200 ",
                   "loop end \"200 \" in line 5 of"},
        BrokenLine{"ThreeFields", "slot 5.wav\t299\t100", "has 1 field, \"100\""},
        BrokenLine{"FiveFields", "slot 5.wav\t299\t1\t2\t3", "has 3 fields"},
        BrokenLine{"StartAfterEnd", "slot 5.wav\t299\t200\t100", "loop 200..100 in line 5 of"}),
    [](const auto& test) { return std::string(test.param.name); });

struct OwnFileTarget {
    const char* name;
    QStringList arguments; // FOLDER: the working folder, @BASE@ its name, ELSE another folder
    const char* message;
};

void PrintTo(const OwnFileTarget& target, std::ostream* out) {
    *out << target.name;
}

class ExportOverTheWorkingFolder : public testing::TestWithParam<OwnFileTarget> {};

TEST_P(ExportOverTheWorkingFolder, IsRefusedAndEveryFileStaysAsItWas) {
    test::TempFolder kit;
    test::TempFolder elsewhere;
    test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
    QFile::link(slotFilePath(kit.path(), 16), elsewhere.file("link.ino"));
    QStringList arguments{"--folder", kit.path()};
    for (QString argument : GetParam().arguments) {
        arguments << argument.replace("FOLDER", kit.path())
                         .replace("ELSE", elsewhere.path())
                         .replace("@BASE@", QFileInfo(kit.path()).fileName());
    }
    const auto before = test::folderChecksums(kit.path());

    const test::ProgramRun run = runProgram(arguments);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.toStdString();
    EXPECT_EQ(test::folderChecksums(kit.path()), before);
    EXPECT_EQ(runProgram({"--folder", kit.path(), "list"}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    OwnFiles, ExportOverTheWorkingFolder,
    testing::Values(
        OwnFileTarget{"SlotFile", {"export", "-o", "FOLDER/1.wav"}, "folder's own \"1.wav\""},
        OwnFileTarget{"SettingsFile",
                      {"export", "-o", "FOLDER/Settings.txt", "--force"},
                      "folder's own \"Settings.txt\""},
        OwnFileTarget{"SaveJournal",
                      {"export", "-o", "FOLDER/.wavetable-builder.journal"},
                      "folder's own \".wavetable-builder.journal\""},
        OwnFileTarget{"SaveTemporary", {"export", "-o", "FOLDER/.3.wav.new"}, "\".3.wav.new\""},
        OwnFileTarget{"ALinkToASlotFile", {"export", "-o", "ELSE/link.ino"}, "\"16.wav\""},
        OwnFileTarget{
            "ThePathThroughItsParent", {"export", "-o", "FOLDER/../@BASE@/./2.wav"}, "\"2.wav\""},
        OwnFileTarget{"PlayerIntoTheFolder",
                      {"export", "--player", "-o", "FOLDER"},
                      "it is the working folder"}),
    [](const auto& test) { return std::string(test.param.name); });

// A WAV file as hostile as its header can make it: 8-bit mono, `frames` declared at `rate`,
// the data left sparse (a hole in the file), so a 2 GB sound costs no disk.
void writeDeclaredWav(const QString& path, std::uint32_t frames, std::uint32_t rate) {
    std::string header = "RIFF";
    const auto little = [&header](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            header += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    little(36 + frames, 4);
    header += "WAVEfmt ";
    little(16, 4), little(1, 2), little(1, 2), little(rate, 4), little(rate, 4), little(1, 2);
    little(8, 2);
    header += "data";
    little(frames, 4);
    test::writeText(path, header);
    QFile file(path);
    ASSERT_TRUE(file.resize(44 + qint64{frames}));
}

struct RefusedEdit {
    const char* name;
    QStringList arguments; // FILE stands for the file the case writes
    std::uint32_t frames;  // of FILE, and the slot 3 holds
    std::uint32_t rate;
    const char* message;
    const char* memoryLimit = nullptr; // ulimit -v, in KiB
};

void PrintTo(const RefusedEdit& edit, std::ostream* out) {
    *out << edit.name;
}

class RefusedEdits : public testing::TestWithParam<RefusedEdit> {};

// Each edit whose result no slot could hold is refused with what happened, before it
// allocates, and the folder stays byte for byte as it was.
TEST_P(RefusedEdits, SayWhatWouldWorkAndChangeNothing) {
    const RefusedEdit& edit = GetParam();
    test::TempFolder kit;
    test::TempFolder sounds;
    test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
    writeDeclaredWav(sounds.file("sound.wav"), edit.frames, edit.rate);
    const bool small = edit.frames < 1000000;
    if (small) { // the slot to edit holds the same sound
        ASSERT_EQ(
            runProgram({"--folder", kit.path(), "import", "3", sounds.file("sound.wav")}).exitCode,
            0);
    }
    const auto before = test::folderChecksums(kit.path());
    QStringList arguments{"--folder", kit.path()};
    for (QString argument : edit.arguments) {
        arguments << argument.replace("FILE", sounds.file("sound.wav"));
    }
#if defined(__SANITIZE_ADDRESS__)
    if (edit.memoryLimit) {
        // AddressSanitizer maps terabytes of shadow memory at start, which no address-space
        // limit leaves room for: the program cannot start under one.
        GTEST_SKIP() << "an address-space limit leaves AddressSanitizer no room to start";
    }
#endif
    QProcess process;
    process.setProcessEnvironment(test::programEnvironment());
    if (edit.memoryLimit) {
        const QString script =
            QStringLiteral("ulimit -v %1; exec \"$0\" \"$@\"").arg(edit.memoryLimit);
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{"-c", script, test::builtProgram()} + arguments);
    } else {
        process.start(test::builtProgram(), arguments);
    }
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(edit.message)) << err.toStdString();
    EXPECT_FALSE(err.contains("bad_alloc")) << err.toStdString();
    EXPECT_EQ(test::folderChecksums(kit.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    HostileSizes, RefusedEdits,
    testing::Values(
        RefusedEdit{"ResampleOfTwoSamplesToTheLowestRate",
                    {"resample", "3", "1000"},
                    2,
                    44100,
                    "its 2 samples at 44100 Hz are no sample at all at 1000 Hz; 11025 Hz or more "
                    "keeps one"},
        RefusedEdit{"ResampleOfOneSampleWithAllSlots",
                    {"resample", "all", "1000"},
                    1,
                    44100,
                    "Slot 3 cannot be resampled to 1000 Hz"},
        RefusedEdit{"ResampleFromTheHighestRate",
                    {"resample", "3", "8000"},
                    2000,
                    2147483647,
                    "no rate up to 96000 Hz keeps one"},
        RefusedEdit{"ResampleBeyondWhatASlotHolds",
                    {"resample", "3", "96000"},
                    30000,
                    1,
                    "would become 2880000000 samples at 96000 Hz, more than the 2147483647"},
        RefusedEdit{"ResampleBeyondTheMemoryLimit",
                    {"resample", "3", "96000"},
                    10417,
                    1,
                    "would need 15.8 GB of memory",
                    "2000000"},
        RefusedEdit{"ImportOfOneFrameAtTheLowestRate",
                    {"import", "4", "FILE", "--rate", "1000"},
                    1,
                    44100,
                    "holds 1 frame at 44100 Hz: at 1000 Hz that is no sample at all; at 22050 Hz "
                    "or more one is kept"},
        RefusedEdit{"ImportOfTwoGigabytes",
                    {"import", "4", "FILE"},
                    2147483392,
                    8000,
                    "holds 2147483392 frames at 8000 Hz: more than the"},
        RefusedEdit{"SingleCycleAtOneHertz",
                    {"single-cycle", "3"},
                    30000,
                    1,
                    "The slot's rate, 1 Hz, is too low to hold a pitch"}),
    [](const auto& test) { return std::string(test.param.name); });

// A command refused because another command holds the folder hears that, not of a window.
TEST(FolderLock, HeldByACommandIsSaidToBeACommand) {
    test::TempFolder kit;
    test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
    const auto before = test::folderChecksums(kit.path());
    const WorkingFolderLock command(kit.path(), LockRole::Command);
    const test::ProgramRun trim = runProgram({"--folder", kit.path(), "trim", "1", "5"});
    EXPECT_EQ(trim.exitCode, 1);
    EXPECT_TRUE(trim.err.contains(QStringLiteral("is being changed by another command (process %1)")
                                      .arg(QCoreApplication::applicationPid())))
        << trim.err.toStdString();
    EXPECT_FALSE(trim.err.contains("window")) << trim.err.toStdString();
    EXPECT_EQ(test::folderChecksums(kit.path()), before);
}

// The program's output sent where nothing can be written: a report lost is a failed command.
TEST(UnwritableOutput, FailsWithStatusOneAndSaysSoOnStderr) {
    test::TempFolder kit;
    test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
    for (const QStringList& arguments :
         {QStringList{"--help"}, QStringList{"--version"}, QStringList{"list"},
          QStringList{"trim", "3", "200"}, QStringList{"loop", "4", "10", "200"},
          QStringList{"cut-start", "3", "5"}, QStringList{"trim-silence", "all"}}) {
        QProcess process;
        process.setProcessEnvironment(test::programEnvironment());
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(test::builtProgram(), QStringList{"--folder", kit.path()} + arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << arguments.join(' ').toStdString();
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(err.contains("Standard output could not be written: No space left on device"))
            << err.toStdString();
    }
}

// Every byte as printf's octal escape, so a shell command line can carry any name.
QString octalEscapes(const QByteArray& bytes) {
    QString escaped;
    for (const char byte : bytes) {
        escaped += QStringLiteral("\\%1").arg(static_cast<unsigned char>(byte), 3, 8, QChar('0'));
    }
    return escaped;
}

// A file named in Latin-1 (café.wav, the é one byte 0xE9, not UTF-8), given on the command line
// byte for byte as a shell passes it: imported, and named in messages by its own bytes.
TEST(FileNameInAnotherEncoding, IsImportedAndNamedByItsBytes) {
    test::TempFolder kit;
    test::TempFolder sounds;
    test::writeWorkingFolder(kit.path(), test::patternedSlots(300));
    const test::Bytes samples(500, 150);
    test::writeWav8(sounds.file("plain.wav"), samples);
    const QByteArray latin1 = QFile::encodeName(sounds.path()) + "/caf\xe9.wav";
    ASSERT_EQ(::rename(QFile::encodeName(sounds.file("plain.wav")).constData(), latin1.constData()),
              0);
    const auto runWithFile = [&](const QByteArray& file) {
        QProcess shell;
        shell.setProcessEnvironment(test::programEnvironment());
        // The shell passes the bytes as they are; QProcess itself would encode the name as text.
        shell.start(QStringLiteral("/bin/sh"),
                    {"-c", "exec \"$0\" --folder \"$1\" import 3 \"$(printf \"$2\")\"",
                     test::builtProgram(), kit.path(), octalEscapes(file)});
        EXPECT_TRUE(shell.waitForFinished(60000));
        return std::pair{shell.exitCode(), shell.readAllStandardError()};
    };
    const auto [status, err] = runWithFile(latin1);
    EXPECT_EQ(status, 0) << err.toStdString();
    const SlotBank bank = loadWorkingFolder(kit.path(), NewFolder::KeepEmpty);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), bank[3].samples.bytes().begin(),
                           bank[3].samples.bytes().end()));

    const auto [missingStatus, missingErr] =
        runWithFile(QFile::encodeName(sounds.path()) + "/na\xefve.wav");
    EXPECT_EQ(missingStatus, 1);
    EXPECT_TRUE(missingErr.contains("/na\xefve.wav\" does not exist")) << missingErr.toStdString();
}

} // namespace
} // namespace wtb
