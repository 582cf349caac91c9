// The workspace's edits of several files at once, of the start and of the silence: each one
// step of the history, each refused whole before anything changes.
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using test::Bytes;

class EditedWorkspace : public testing::Test {
protected:
    void SetUp() override { open(test::bankOf(test::patternedSlots(300))); }
    void open(const SlotBank& bank) {
        workspace.reset(); // and its lock
        saveWorkingFolder(bank, folder.path());
        workspace = std::make_unique<Workspace>(folder.path(),
                                                std::make_unique<WorkingFolderLock>(folder.path()),
                                                NewFolder::WriteDefaultKit);
        QObject::connect(workspace.get(), &Workspace::slotsChanged, [this] { ++changes; });
    }
    std::vector<Slot> slots() const { return test::allSlots(workspace->bank()); }

    // A sound file of `length` samples of `level`, named NAME.wav in the source folder.
    QString sound(const QString& name, std::int32_t length, std::uint8_t level) {
        const QString path = source.file(name + ".wav");
        test::writeWav8(path, Bytes(static_cast<std::size_t>(length), level), 11025);
        return path;
    }

    test::TempFolder folder;
    test::TempFolder source;
    std::unique_ptr<Workspace> workspace;
    int changes = 0;
};

TEST_F(EditedWorkspace, ImportsSeveralFilesIntoTheSlotsFromTheFirstInOrderAsOneStep) {
    const std::vector<Slot> before = slots();
    const QStringList files = {sound("c", 30, 90), sound("a", 20, 100), sound("b", 10, 110)};

    EXPECT_EQ(workspace->importFiles(14, files, {}), ImportNotes{});
    EXPECT_EQ(workspace->slot(14), test::makeSlot(Bytes(30, 90), 29, "c.wav", 11025));
    EXPECT_EQ(workspace->slot(15), test::makeSlot(Bytes(20, 100), 19, "a.wav", 11025));
    EXPECT_EQ(workspace->slot(16), test::makeSlot(Bytes(10, 110), 9, "b.wav", 11025));
    for (std::int16_t slot = 1; slot <= 13; ++slot) {
        EXPECT_EQ(workspace->slot(slot), before[slot - 1]) << slot;
    }
    EXPECT_EQ(workspace->history().undoText(), "import into slots 14-16");
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    ASSERT_TRUE(workspace->redo());
    EXPECT_EQ(workspace->slot(16).name, "b.wav");

    workspace->importFiles(16, {sound("last", 5, 120)}, {8000, true});
    EXPECT_EQ(workspace->history().undoText(), "import into slot 16");
    EXPECT_EQ(workspace->slot(16).sampleRate, 8000);
}

struct ImportRefusal {
    const char* name;
    std::int16_t firstSlot;
    QStringList files; // GOOD, TEXT and MISSING stand for the test's files
    const char* message;
};

TEST_F(EditedWorkspace, RefusesAnImportOfSeveralFilesWholeAndChangesNothing) {
    const QString good = sound("good", 40, 150);
    test::writeText(source.file("notes.wav"), "Not a sound.\n");
    const std::vector<ImportRefusal> refusals{
        {"more files than slots left",
         14,
         {"GOOD", "GOOD", "GOOD", "GOOD"},
         "4 files from slot 14 would need the slots up to 17, but the slots end at 16: from "
         "slot 14, 3 files fit. Nothing was imported."},
        {"one file past the last slot", 16, {"GOOD", "GOOD"}, "from slot 16, 1 file fits"},
        {"a file that is no sound",
         3,
         {"GOOD", "TEXT", "GOOD"},
         "notes.wav\": Format not recognised"},
        {"a missing file", 3, {"GOOD", "GOOD", "MISSING"}, "It was to go into slot 5; the 3 files"},
        {"a slot that does not exist", 17, {"GOOD"}, "Slot number 17"},
    };
    const std::vector<Slot> before = slots();
    for (const ImportRefusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        QStringList files;
        for (const QString& file : refusal.files) {
            files << (file == "GOOD"   ? good
                      : file == "TEXT" ? source.file("notes.wav")
                                       : source.file("missing.wav"));
        }
        try {
            workspace->importFiles(refusal.firstSlot, files, {});
            ADD_FAILURE() << "imported";
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find(refusal.message), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(slots(), before);
    EXPECT_FALSE(workspace->history().canUndo());
    EXPECT_FALSE(workspace->hasUnsavedChanges());
    EXPECT_EQ(changes, 0);
}

TEST_F(EditedWorkspace, CutsTheStartAndTrimsTheSilenceAsStepsOfTheHistory) {
    Bytes quietHead(200, 128); // then a tone that starts below the zero line
    for (int i = 0; i < 400; ++i) {
        quietHead.push_back(static_cast<std::uint8_t>(128 - std::lround(80 * std::sin(0.3 + i))));
    }
    quietHead.insert(quietHead.end(), 100, 129);
    Slot looped = test::makeSlot(quietHead, 699, "looped.wav");
    looped.loop = Loop{300, 500};
    SlotBank bank = test::bankOf(test::patternedSlots(300));
    bank[2] = looped;
    bank[3] = looped;
    open(bank);
    const std::vector<Slot> before = slots();

    const std::optional<StartCut> cut = workspace->cutStart(2, 150);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->removed, 200); // the first crossing at or after 150: the tone's start
    EXPECT_EQ(workspace->slot(2), cut->slot);
    EXPECT_EQ(workspace->slot(2).loop, (Loop{100, 300}));
    EXPECT_EQ(workspace->history().undoText(), "cut the start of slot 2");

    EXPECT_THROW(workspace->cutStart(3, 700), RuntimeError); // past the end index
    EXPECT_THROW(workspace->trimSilence(std::nullopt, 200), RuntimeError);
    EXPECT_EQ(workspace->history().undoText(), "cut the start of slot 2");

    const auto trims = workspace->trimSilence(std::nullopt, kDefaultSilenceThreshold);
    ASSERT_EQ(trims.size(), 16u);
    EXPECT_EQ(trims[2].slot, 3);
    EXPECT_EQ(trims[2].trim.removed, 199);
    EXPECT_EQ(workspace->slot(3).loop, (Loop{101, 301}));
    EXPECT_EQ(workspace->history().undoText(), "trim the silence of all slots");
    ASSERT_TRUE(workspace->undo());
    ASSERT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    EXPECT_EQ(changes, 4);
}

TEST_F(EditedWorkspace, SetsAndRemovesKeyMapsAsStepsAndRefusesABrokenOne) {
    const std::vector<Slot> before = slots();
    EXPECT_TRUE(workspace->setKeys(4, KeyRange{60, 48, 72, 0}));
    EXPECT_EQ(workspace->history().undoText(), "set keys of slot 4");
    EXPECT_FALSE(workspace->setKeys(4, KeyRange{60, 48, 72, 0}));
    for (const KeyRange& refused :
         {KeyRange{60, 72, 48, 0}, KeyRange{128, 0, 127, 0}, KeyRange{60, 0, 127, -51}}) {
        try {
            workspace->setKeys(4, refused);
            ADD_FAILURE() << "accepted";
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find("Slot 4 cannot take"), std::string::npos);
        }
    }
    EXPECT_EQ(workspace->slot(4).keys, (KeyRange{60, 48, 72, 0}));
    EXPECT_TRUE(workspace->setKeys(4, std::nullopt));
    EXPECT_EQ(workspace->history().undoText(), "remove key map of slot 4");
    workspace->save();
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit), workspace->bank());
    ASSERT_TRUE(workspace->undo());
    EXPECT_EQ(workspace->slot(4).keys, (KeyRange{60, 48, 72, 0}));
    ASSERT_TRUE(workspace->undo());
    EXPECT_EQ(slots(), before);
    EXPECT_EQ(changes, 4);
}

} // namespace
} // namespace wtb
