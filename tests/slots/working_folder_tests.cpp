#include "slots/SettingsFile.h"
#include "slots/SoundFile.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A complete working folder whose slot n holds 10 * n bytes.
void writeCompleteFolder(const QString& folder) {
    SettingsLines lines;
    for (int slot = 1; slot <= 16; ++slot) {
        test::writeWav8(slotFilePath(folder, slot),
                        Bytes(10 * slot, static_cast<std::uint8_t>(slot)));
        lines[slot - 1] = {"sound " + std::to_string(slot) + ".wav", 10 * slot - 1};
    }
    test::writeText(settingsFilePath(folder), formatSettings(lines));
}

TEST(WorkingFolder, SaveThenLoadRoundTripsEverySlotExactly) {
    SlotBank original;
    std::vector<test::SlotContent> slots = test::patternedSlots(300);
    slots[0].name = "my kick with spaces.wav";
    slots[6].endIndex = -1;
    slots[15].endIndex = -1;
    slots[9].name = "";
    slots[11].bytes = {0, 255, 128, 127};
    slots[11].endIndex = 3;
    test::fillBank(original, slots, 22050);

    test::TempFolder first;
    saveWorkingFolder(original, first.path());
    const std::string settings = test::readText(settingsFilePath(first.path()));
    EXPECT_EQ(settings.substr(0, 30), "my kick with spaces.wav\t299\r\ns");
    EXPECT_NE(settings.find("slot 7.wav\t-1\r\n"), std::string::npos);

    SlotBank loaded;
    loaded = loadWorkingFolder(first.path(), NewFolder::WriteDefaultKit);
    for (int slot = 1; slot <= 16; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(test::slotBytes(loaded, slot), slots[slot - 1].bytes);
        EXPECT_EQ(loaded[slot].name, slots[slot - 1].name);
        EXPECT_EQ(loaded[slot].endIndex, slots[slot - 1].endIndex);
        EXPECT_EQ(loaded[slot].sampleRate, original[slot].sampleRate);
    }

    test::TempFolder second;
    saveWorkingFolder(loaded, second.path());
    EXPECT_EQ(test::folderChecksums(second.path()), test::folderChecksums(first.path()));
}

TEST(WorkingFolder, EndIndicesAreTakenAsStoredAndExtraLinesDropOnSave) {
    test::TempFolder folder;
    writeCompleteFolder(folder.path());
    std::string settings = test::readText(settingsFilePath(folder.path()));
    settings.replace(settings.find("sound 2.wav\t19"), 14, "sound 2.wav\t12.5\tnote");
    settings += "a seventeenth line\t5\r\n";
    test::writeText(settingsFilePath(folder.path()), settings);

    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(bank[2].endIndex, 12);
    EXPECT_EQ(bank[16].endIndex, 159);

    bank[3].endIndex = 5000; // beyond the sound's end: still stored as it is
    saveWorkingFolder(bank, folder.path());
    const std::string saved = test::readText(settingsFilePath(folder.path()));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 16);
    EXPECT_EQ(saved.find("seventeenth"), std::string::npos);
    EXPECT_NE(saved.find("sound 3.wav\t5000\r\n"), std::string::npos);
}

TEST(WorkingFolder, LoopsRoundTripAndALoopOutsideTheKeptSamplesIsDropped) {
    test::TempFolder folder;
    writeCompleteFolder(folder.path());
    std::string settings = test::readText(settingsFilePath(folder.path()));
    settings.replace(settings.find("sound 2.wav\t19"), 14, "sound 2.wav\t19\t4\t19");
    settings.replace(settings.find("sound 3.wav\t29"), 14, "sound 3.wav\t20\t4\t21");
    settings.replace(settings.find("sound 4.wav\t39"), 14, "sound 4.wav\t39\t-1\t9");
    test::writeText(settingsFilePath(folder.path()), settings);

    SlotBank bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(bank[2].loop, (Loop{4, 19}));
    EXPECT_EQ(bank[3].loop, std::nullopt); // ends after the end index
    EXPECT_EQ(bank[4].loop, std::nullopt);

    bank[5].loop = Loop{0, 49};
    saveWorkingFolder(bank, folder.path());
    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit), bank);
}

TEST(WorkingFolder, KeyMapsRoundTripAndABrokenOneIsKeptWithItsLine) {
    test::TempFolder folder;
    writeCompleteFolder(folder.path());
    const std::string plain = test::readText(settingsFilePath(folder.path()));
    std::string settings = plain;
    settings.replace(settings.find("sound 2.wav\t19"), 14, "sound 2.wav\t19\tkeys 60 48 72 7");
    settings.replace(settings.find("sound 3.wav\t29"), 14, "sound 3.wav\t29\t4\t29\tkeys 1 2");
    settings.replace(settings.find("sound 4.wav\t39"), 14, "sound 4.wav\t39\t4\t50\tkeys 9");
    test::writeText(settingsFilePath(folder.path()), settings);

    SlotBank bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(bank[2].keys, (KeyRange{60, 48, 72, 7}));
    EXPECT_EQ(bank[1].keys, std::nullopt);
    ASSERT_TRUE(bank[3].unusable);
    EXPECT_EQ(bank[3].unusable->field, UnusableFields::Field::KeyMap);
    EXPECT_EQ(bank[3].loop, (Loop{4, 29}));
    ASSERT_TRUE(bank[4].unusable); // the key map's fault is told, the loop past the end dropped
    EXPECT_EQ(bank[4].unusable->field, UnusableFields::Field::KeyMap);
    EXPECT_EQ(bank[4].loop, std::nullopt);
    saveWorkingFolder(bank, folder.path());
    EXPECT_EQ(test::readText(settingsFilePath(folder.path())), settings);

    for (const std::int16_t slot : allSlotNumbers()) {
        bank[slot].keys.reset();
        bank[slot].unusable.reset();
        bank[slot].loop.reset();
    }
    saveWorkingFolder(bank, folder.path());
    EXPECT_EQ(test::readText(settingsFilePath(folder.path())), plain);
}

struct Damage {
    const char* what;
    const char* namedFile;
    std::function<void(const QString&)> apply;

    friend void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.what; }
};

class DamagedFolder : public testing::TestWithParam<Damage> {};

TEST_P(DamagedFolder, IsReportedAndLeftUntouched) {
    test::TempFolder folder;
    writeCompleteFolder(folder.path());
    GetParam().apply(folder.path());
    const auto before = test::folderChecksums(folder.path());

    SlotBank bank;
    try {
        bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
        FAIL() << "a damaged folder loaded";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().namedFile), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
}

void replaceSettingsLine(const QString& folder, int slot, const std::string& line) {
    std::string text = test::readText(settingsFilePath(folder));
    std::size_t start = 0;
    for (int n = 1; n < slot; ++n) {
        start = text.find("\r\n", start) + 2;
    }
    text.replace(start, text.find("\r\n", start) - start, line);
    test::writeText(settingsFilePath(folder), text);
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, DamagedFolder,
    testing::Values(
        Damage{"missing slot file", "7.wav",
               [](const QString& f) { QFile::remove(slotFilePath(f, 7)); }},
        Damage{"unreadable slot file", "12.wav",
               [](const QString& f) { test::writeText(slotFilePath(f, 12), "not a sound"); }},
        Damage{"missing settings", "Settings.txt",
               [](const QString& f) { QFile::remove(settingsFilePath(f)); }},
        Damage{"fifteen lines", "Settings.txt",
               [](const QString& f) {
                   std::string text = test::readText(settingsFilePath(f));
                   text.resize(text.find("sound 16.wav"));
                   test::writeText(settingsFilePath(f), text);
               }},
        Damage{"line without TAB", "line 4",
               [](const QString& f) { replaceSettingsLine(f, 4, "no tab at all"); }},
        Damage{"number out of range", "line 9",
               [](const QString& f) { replaceSettingsLine(f, 9, "x.wav\t4294967296"); }}),
    [](const auto& param) {
        std::string name = param.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(WorkingFolder, AFailedWriteChangesNoFileAndNamesTheOneInTheWay) {
    test::TempFolder folder;
    writeCompleteFolder(folder.path());
    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    test::fillBank(bank, test::patternedSlots(50)); // new content for every slot

    // A folder stands where 9.wav's replacement must go.
    QFile::remove(slotFilePath(folder.path(), 9));
    QDir(folder.path()).mkdir("9.wav");
    const auto before = test::folderChecksums(folder.path());
    try {
        saveWorkingFolder(bank, folder.path());
        FAIL() << "the save went through";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::File);
        EXPECT_NE(std::string(error.what()).find("9.wav"), std::string::npos) << error.what();
    }
    EXPECT_EQ(test::folderChecksums(folder.path()), before); // no file new, none left over
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 17);
}

TEST(WorkingFolder, ANewFolderReceivesTheDefaultKitThatLoadsAndSavesBack) {
    test::TempFolder folder;
    EXPECT_TRUE(isNewWorkingFolder(folder.path()));
    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_FALSE(isNewWorkingFolder(folder.path()));
    EXPECT_EQ(bank[1].name, "kick.wav");
    EXPECT_EQ(bank[1].endIndex, bank[1].sampleCount() - 1);

    const auto created = test::folderChecksums(folder.path());
    EXPECT_EQ(created.size(), 17u);
    saveWorkingFolder(bank, folder.path());
    EXPECT_EQ(test::folderChecksums(folder.path()), created);
}

TEST(WorkingFolder, AFolderWithOnlySomeFilesIsNotNew) {
    test::TempFolder folder;
    test::writeText(folder.file("notes.txt"), "unrelated");
    EXPECT_TRUE(isNewWorkingFolder(folder.path()));
    test::writeWav8(slotFilePath(folder.path(), 16), {128});
    EXPECT_FALSE(isNewWorkingFolder(folder.path()));
    EXPECT_THROW(loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit), RuntimeError);
    EXPECT_EQ(test::folderChecksums(folder.path()).size(), 2u);
}

} // namespace
} // namespace wtb
