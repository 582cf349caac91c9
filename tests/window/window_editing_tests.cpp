// Import, trim, play and the working folder, driven through the window's own handlers.
#include "WindowTestSupport.h"

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "common/RuntimeError.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes slotBytes(MainWindow& window, int slot) {
    return test::slotBytes(window.workspace().bank(), slot);
}

Slot stateOf(MainWindow& window, int slot) {
    return window.workspace().bank()[slot];
}

TEST(ImportThroughTheWindow, LoadsTheChosenFileIntoTheCurrentSlotAndRedraws) {
    test::LoadedWindow w(test::patternedSlots(100));
    MainWindow& window = *w.window;
    test::TempFolder source;
    Bytes bytes(1234);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    test::writeWav8(source.file("lead line.wav"), bytes, 11025);
    w.dialog->answers = {source.file("lead line.wav")};

    window.chooseSlot(3);
    window.importSound();
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join("\n").toStdString();
    const QStringList filters = w.dialog->requests.at(0).nameFilters.split(";;");
    EXPECT_TRUE(filters.first().startsWith("All sound files (")) << filters.first().toStdString();
    EXPECT_TRUE(filters.first().contains("*.wav"));
    EXPECT_EQ(filters.last(), "All files (*)");
    EXPECT_EQ(slotBytes(window, 3), bytes);
    EXPECT_EQ(window.workspace().bank()[3].endIndex, 1233);
    EXPECT_EQ(window.workspace().bank()[3].name, "lead line.wav");
    EXPECT_EQ(test::labelText(window, "samplesReadout"), "1234 input samples");
    EXPECT_EQ(test::labelText(window, "endReadout"), "1233 output samples");
    EXPECT_EQ(test::labelText(window, "rateReadout"), "11025 Hz");
    EXPECT_EQ(test::labelText(window, "nameReadout"), "lead line.wav");
    EXPECT_EQ(test::slider(window).maximum(), 1233);
    EXPECT_EQ(slotBytes(window, 2), test::patternedSlots(100)[1].bytes); // no other slot moved
}

TEST(ImportThroughTheWindow, SixteenBitStereoArrivesAsItsMonoMix) {
    test::LoadedWindow w(test::patternedSlots(100));
    test::TempFolder source;
    // left-justified ints: 16-bit (l, r) pairs (25600, 0), (-25600, -25600), (0, 0)
    test::writeSoundFile(source.file("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         {25600 << 16, 0, -25600 * 65536, -25600 * 65536, 0, 0});
    w.dialog->answers = {source.file("stereo.wav")};
    w.window->importSound();
    EXPECT_EQ(slotBytes(*w.window, 1), (Bytes{178, 28, 128}));
    EXPECT_EQ(test::labelText(*w.window, "bitsReadout"), "8 bit");
    EXPECT_EQ(test::labelText(*w.window, "endReadout"), "2 output samples");
}

TEST(ImportThroughTheWindow, ANameWithATabOrLineEndIsStoredCleanAndSettingsKeepsSixteenLines) {
    auto w = std::make_unique<test::LoadedWindow>(test::patternedSlots(100));
    const QString folder = w->folder.path();
    test::TempFolder source;
    const QString awkward = source.file("two\tparts\nand a line.wav");
    test::writeWav8(awkward, Bytes(10, 140));
    w->dialog->answers = {awkward};
    w->window->chooseSlot(5);
    w->window->importSound();
    EXPECT_EQ(w->window->workspace().bank()[5].name, "two parts and a line.wav");
    w->window->close();

    const std::string settings = test::readText(settingsFilePath(folder));
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 16);
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '\t'), 16);
    EXPECT_NE(settings.find("two parts and a line.wav\t9\r\n"), std::string::npos);
}

TEST(ImportThroughTheWindow, AFailedOrCancelledImportLeavesTheSlotAndTheViewAsTheyWere) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[0].endIndex = 42;
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    const Slot before = stateOf(window, 1);
    const QString readout = test::labelText(window, "endReadout");

    test::TempFolder source;
    test::writeText(source.file("notes.wav"), "a shopping list");
    w.dialog->answers = {source.file("notes.wav"), std::nullopt};
    window.importSound();
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->at(0).contains(source.file("notes.wav")))
        << w.errors->at(0).toStdString();
    EXPECT_EQ(stateOf(window, 1), before);
    EXPECT_EQ(test::labelText(window, "endReadout"), readout);

    window.importSound(); // cancelled
    EXPECT_EQ(w.errors->size(), 1);
    EXPECT_EQ(stateOf(window, 1), before);
    EXPECT_EQ(w.dialog->requests.size(), 2u);
}

TEST(TrimThroughTheWindow, TheSliderClickSnapsTheEndBackToTheCrossing) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[1].bytes = Bytes(500, 200);
    slots[1].bytes.resize(1000, 50);
    slots[1].endIndex = 999;
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(2);

    test::slider(window).setValue(700); // where the user's click put the thumb
    window.applyEndSlider();
    EXPECT_EQ(window.workspace().bank()[2].endIndex, 500);
    EXPECT_EQ(test::labelText(window, "endReadout"), "500 output samples");
    EXPECT_EQ(test::slider(window).value(), 500);

    test::slider(window).setValue(900);
    window.applyEndSlider();
    EXPECT_EQ(window.workspace().bank()[2].endIndex, 800); // steps used up before the crossing
    EXPECT_TRUE(w.errors->isEmpty());
}

TEST(TrimThroughTheWindow, AClickOnAnEmptySlotChangesNothing) {
    std::vector<test::SlotContent> slots = test::patternedSlots(100);
    slots[7].bytes.clear();
    slots[7].endIndex = -1;
    test::LoadedWindow w(slots);
    MainWindow& window = *w.window;
    window.chooseSlot(8);
    test::slider(window).setValue(50);
    window.applyEndSlider();
    EXPECT_EQ(window.workspace().bank()[8].endIndex, -1);
    EXPECT_EQ(window.workspace().bank()[1].endIndex, 99);
    EXPECT_TRUE(w.errors->isEmpty());
}

// Answers the question after a failed save from a list (closing without saving once it runs
// out) and counts how often it was asked.
struct RetryPrompts : test::RecordingPrompts {
    using Choice = SaveFailureChoice;
    RetryPrompts(std::shared_ptr<QStringList> log, std::vector<Choice> scriptedAnswers)
        : RecordingPrompts(std::move(log)), answers(std::move(scriptedAnswers)) {}
    Choice askAfterFailedSave(QWidget*, const QString& message) override {
        questions << message;
        if (onAsk) {
            onAsk();
        }
        const Choice choice = asked < answers.size() ? answers[asked] : Choice::CloseWithoutSaving;
        ++asked;
        return choice;
    }
    std::vector<Choice> answers;
    std::size_t asked = 0;
    QStringList questions;
    std::function<void()> onAsk;
};

TEST(WorkingFolderThroughTheWindow, ADamagedFolderIsReportedOnceAndNeverWritten) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
    QFile::remove(slotFilePath(folder.path(), 11));
    const auto before = test::folderChecksums(folder.path());

    auto errors = std::make_shared<QStringList>();
    MainWindow window(folder.path(), std::make_unique<test::RecordingPrompts>(errors));
    EXPECT_FALSE(window.open());
    ASSERT_EQ(errors->size(), 1);
    EXPECT_TRUE(errors->at(0).contains("11.wav")) << errors->at(0).toStdString();
    EXPECT_TRUE(errors->at(0).endsWith("\n\nNothing in the folder was changed."));
    EXPECT_FALSE(entryExists(WorkingFolderLock::lockFilePath(folder.path())))
        << "the lock file the window made stays in a folder it refused";
    window.close();
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
}

// A save cut off among its renames, which the start cannot finish either after putting two
// more files in place: the message says what is where and does not claim nothing changed.
TEST(WorkingFolderThroughTheWindow, AStartThatChangedFilesBeforeFailingSaysWhich) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
    int renames = 0;
    int failAt = 1 + 3; // the journal's rename, then three files of the cut-off save
    setFileFaultHook([&](FileStep step, std::size_t&) {
        return step == FileStep::Rename && renames++ == failAt ? EIO : 0;
    });
    SlotBank changed;
    test::fillBank(changed, test::patternedSlots(30));
    EXPECT_THROW(saveWorkingFolder(changed, folder.path()), RuntimeError);
    renames = 0;
    failAt = 2; // the start places 4.wav and 5.wav, then fails

    auto errors = std::make_shared<QStringList>();
    MainWindow window(folder.path(), std::make_unique<test::RecordingPrompts>(errors));
    EXPECT_FALSE(window.open());
    setFileFaultHook(nullptr);
    ASSERT_EQ(errors->size(), 1);
    EXPECT_TRUE(errors->at(0).contains("1.wav, 2.wav, 3.wav, 4.wav and 5.wav are in place; "
                                       "6.wav, "))
        << errors->at(0).toStdString();
    EXPECT_FALSE(errors->at(0).contains("Nothing in the folder was changed."));
    window.close();
}

// A loaded window whose slot 2 was changed, and whose 9.wav cannot be replaced at close
// because a folder stands in its place.
class BlockedSaveAtClose : public testing::Test {
protected:
    void openWindow(std::vector<RetryPrompts::Choice> retryAnswers) {
        test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
        auto prompts = std::make_unique<RetryPrompts>(std::make_shared<QStringList>(),
                                                      std::move(retryAnswers));
        asked = prompts.get();
        window = std::make_unique<MainWindow>(folder.path(), std::move(prompts));
        ASSERT_TRUE(window->open());
        trimmedEnd = *window->workspace().trim(2, 7);
        QFile::remove(slotFilePath(folder.path(), 9));
        QDir(folder.path()).mkdir("9.wav");
        before = test::folderChecksums(folder.path());
    }

    std::string settings() const { return test::readText(settingsFilePath(folder.path())); }

    test::TempFolder folder;
    RetryPrompts* asked = nullptr;
    std::unique_ptr<MainWindow> window;
    std::map<QString, QByteArray> before;
    std::int32_t trimmedEnd = 0;
};

TEST_F(BlockedSaveAtClose, OffersRetryThenClosesWithoutSaving) {
    openWindow({RetryPrompts::Choice::Retry, RetryPrompts::Choice::CloseWithoutSaving});
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked->asked, 2u);
    EXPECT_TRUE(asked->questions.at(0).contains("9.wav")) << asked->questions.at(0).toStdString();
    EXPECT_EQ(test::folderChecksums(folder.path()), before); // nothing was half saved
}

TEST_F(BlockedSaveAtClose, ARetryAfterTheUserFreedTheFileSavesEverything) {
    openWindow({RetryPrompts::Choice::Retry});
    asked->onAsk = [&] { QDir(folder.path()).rmdir("9.wav"); }; // mended while the box is open
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked->asked, 1u);
    EXPECT_NE(settings().find("slot 2.wav\t" + std::to_string(trimmedEnd) + "\r\n"),
              std::string::npos);
    SlotBank reloaded;
    reloaded = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(reloaded[9].sampleCount(), 20);
}

TEST_F(BlockedSaveAtClose, KeepingTheWindowOpenLosesNothingAndTheNextCloseSaves) {
    openWindow({RetryPrompts::Choice::KeepOpen});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
    EXPECT_EQ(window->workspace().bank()[2].endIndex, trimmedEnd);

    QDir(folder.path()).rmdir("9.wav"); // the user makes room and closes again
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked->asked, 1u);
    EXPECT_NE(settings().find("slot 2.wav\t" + std::to_string(trimmedEnd) + "\r\n"),
              std::string::npos);
}

TEST(WorkingFolderThroughTheWindow, ASecondWindowOnTheFolderSaysSoOnceAndTouchesNothing) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
    auto firstErrors = std::make_shared<QStringList>();
    MainWindow first(folder.path(), std::make_unique<test::RecordingPrompts>(firstErrors));
    ASSERT_TRUE(first.open());
    const auto before = test::folderChecksums(folder.path());

    auto errors = std::make_shared<QStringList>();
    {
        MainWindow second(folder.path(), std::make_unique<test::RecordingPrompts>(errors));
        EXPECT_FALSE(second.open());
        second.close();
    }
    ASSERT_EQ(errors->size(), 1);
    EXPECT_TRUE(
        errors->at(0).endsWith(QStringLiteral("is already open in another window (process %1).")
                                   .arg(QCoreApplication::applicationPid())))
        << errors->at(0).toStdString();
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
    EXPECT_TRUE(firstErrors->isEmpty());
}

// A slot file marked immutable: the save at close fails before it replaces any file, and
// closing without saving leaves the folder as it was, without a journal or temporaries.
TEST(WorkingFolderThroughTheWindow, ClosingWithoutSavingPastAnImmutableFileLeavesTheFolderAsItWas) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
    auto prompts = std::make_unique<RetryPrompts>(
        std::make_shared<QStringList>(), std::vector{RetryPrompts::Choice::CloseWithoutSaving});
    RetryPrompts* asked = prompts.get();
    MainWindow window(folder.path(), std::move(prompts));
    ASSERT_TRUE(window.open());
    window.workspace().trim(2, 7);
    const std::string locked = QFile::encodeName(slotFilePath(folder.path(), 2)).toStdString();
    if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "chattr +i is not available here";
    }
    const auto before = test::folderChecksums(folder.path());
    const bool closed = window.close();
    std::system(("chattr -i '" + locked + "'").c_str());
    EXPECT_TRUE(closed);
    ASSERT_EQ(asked->asked, 1u);
    EXPECT_TRUE(asked->questions.at(0).contains("2.wav\": it is marked immutable"))
        << asked->questions.at(0).toStdString();
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
    EXPECT_FALSE(QFileInfo::exists(saveJournalPath(folder.path())));
    EXPECT_EQ(QDir(folder.path()).entryList({"*.new"}, QDir::Hidden | QDir::Files), QStringList());
}

// A hand-edited loop the program cannot use: said once when the window opens, refused by the
// export before a file is asked for, and kept in the file while another slot changes.
TEST(WorkingFolderThroughTheWindow, AnUnusableStoredLoopIsToldRefusedByTheExportAndKept) {
    test::TempFolder folder;
    test::writeWorkingFolder(folder.path(), test::patternedSlots(20));
    std::string settings = test::readText(settingsFilePath(folder.path()));
    const std::string broken = "slot 5.wav\t19\t5\t25";
    settings.replace(settings.find("slot 5.wav\t19"), 14, broken);
    test::writeText(settingsFilePath(folder.path()), settings);

    auto errors = std::make_shared<QStringList>();
    auto recording = std::make_unique<test::RecordingPrompts>(errors);
    const auto warnings = recording->warnings;
    MainWindow window(folder.path(), std::move(recording));
    ASSERT_TRUE(window.open());
    ASSERT_EQ(warnings->size(), 1);
    EXPECT_TRUE(warnings->at(0).startsWith("Slot 5's loop 5..25 in line 5 of"))
        << warnings->at(0).toStdString();

    const auto before = test::folderChecksums(folder.path());
    window.saveWavetable();
    ASSERT_EQ(errors->size(), 1);
    EXPECT_TRUE(errors->at(0).startsWith("Slot 5 cannot be exported: its loop 5..25"))
        << errors->at(0).toStdString();
    EXPECT_EQ(test::folderChecksums(folder.path()), before);

    window.workspace().trim(2, 10);
    EXPECT_TRUE(window.close());
    EXPECT_NE(test::readText(settingsFilePath(folder.path())).find(broken + "\r\n"),
              std::string::npos);
}

// The window's Save Wavetable aimed at a file of the working folder writes nothing.
TEST(WorkingFolderThroughTheWindow, TheSketchIsNeverWrittenOverTheFoldersOwnFiles) {
    test::LoadedWindow w(test::patternedSlots(20));
    const auto before = test::folderChecksums(w.folder.path());
    w.dialog->answers = {slotFilePath(w.folder.path(), 1)};
    w.window->saveWavetable();
    ASSERT_EQ(w.errors->size(), 1);
    EXPECT_TRUE(w.errors->at(0).contains("working folder's own \"1.wav\""))
        << w.errors->at(0).toStdString();
    EXPECT_EQ(test::folderChecksums(w.folder.path()), before);
}

} // namespace
} // namespace wtb
