// The write paths on a real file system that is full or nearly full (a small tmpfs): each
// failure names the file and the reason, and every file stays exactly old or becomes exactly
// new. Skipped, saying why, where mounting is not permitted.

#include "SeededBanks.h"
#include "SmallDisk.h"
#include "common/AtomicFile.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QDir>

#include <gtest/gtest.h>

namespace wtb {
namespace {

#define REQUIRE_MOUNTED(disk)                                                                      \
    if (!(disk).mounted()) {                                                                       \
        GTEST_SKIP() << (disk).whyNot();                                                           \
    }

const auto entries = test::folderEntries;

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::File);
        return error.what();
    }
    return "no failure";
}

// The bank that lost everything on a full disk: a short sound in slot 1, a long one in slot 2.
std::vector<test::SlotContent> grownSlots() {
    std::vector<test::SlotContent> slots = test::seededSlots(100, 2);
    slots[1].bytes.assign(14000, 77);
    slots[1].endIndex = 13999;
    return slots;
}

class FullDiskAtClose : public testing::TestWithParam<std::size_t> {};

TEST_P(FullDiskAtClose, TheSaveIsRefusedWholeAndSucceedsOnceThereIsRoom) {
    test::SmallDisk disk(256 * 1024);
    REQUIRE_MOUNTED(disk);
    test::writeWorkingFolder(disk.path(), test::seededSlots(100, 1));
    SlotBank bank;
    bank = loadWorkingFolder(disk.path(), NewFolder::WriteDefaultKit);
    test::fillBank(bank, grownSlots());
    disk.fill(GetParam());
    const auto before = test::folderChecksums(disk.path());

    const std::string message = failureOf([&] { saveWorkingFolder(bank, disk.path()); });
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    EXPECT_NE(message.find(disk.path().toStdString() + "/"), std::string::npos) << message;
    EXPECT_EQ(test::folderChecksums(disk.path()), before);
    EXPECT_EQ(entries(disk.path()).size(), 18); // the seventeen and the filler, nothing half made

    disk.empty();
    saveWorkingFolder(bank, disk.path());
    SlotBank reloaded;
    reloaded = loadWorkingFolder(disk.path(), NewFolder::WriteDefaultKit);
    EXPECT_TRUE(test::bankHolds(reloaded, grownSlots()));
}

INSTANTIATE_TEST_SUITE_P(FreeBytes, FullDiskAtClose,
                         testing::Values(0, 4096, 12 * 1024, 40 * 1024));

struct ExportCase {
    std::size_t sketchBytes;
    bool oldSketch;
};

class FullDiskOnExport : public testing::TestWithParam<ExportCase> {};

TEST_P(FullDiskOnExport, LeavesTheOldSketchOrNoneAndSaysWhy) {
    test::SmallDisk disk(64 * 1024);
    REQUIRE_MOUNTED(disk);
    const QString sketch = disk.path() + "/Zozedovad.ino";
    if (GetParam().oldSketch) {
        writeFileAtomically(sketch, "the old sketch");
    }
    disk.fill();

    const std::string message =
        failureOf([&] { writeFileAtomically(sketch, std::string(GetParam().sketchBytes, 'x')); });
    EXPECT_NE(message.find("Zozedovad.ino\": No space left on device."), std::string::npos)
        << message;
    if (GetParam().oldSketch) {
        EXPECT_EQ(readWholeFile(sketch), "the old sketch");
    }
    EXPECT_EQ(entries(disk.path()).size(), GetParam().oldSketch ? 2 : 1); // no temporary left
}

INSTANTIATE_TEST_SUITE_P(Sizes, FullDiskOnExport,
                         testing::Values(ExportCase{100, true}, ExportCase{2833, true},
                                         ExportCase{2833, false}, ExportCase{40000, true}));

class NearlyFullDiskAtFirstStart : public testing::TestWithParam<std::size_t> {};

TEST_P(NearlyFullDiskAtFirstStart, LeavesNoFileOfTheKitAndTheNextStartMakesIt) {
    test::SmallDisk disk(256 * 1024);
    REQUIRE_MOUNTED(disk);
    disk.fill(GetParam());

    SlotBank bank;
    const std::string message =
        failureOf([&] { bank = loadWorkingFolder(disk.path(), NewFolder::WriteDefaultKit); });
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    EXPECT_EQ(entries(disk.path()), QStringList{"filler"});
    EXPECT_TRUE(isNewWorkingFolder(disk.path()));

    disk.empty();
    bank = loadWorkingFolder(disk.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(bank[1].name, "kick.wav");
    EXPECT_EQ(entries(disk.path()).size(), 17);
}

INSTANTIATE_TEST_SUITE_P(FreeBytes, NearlyFullDiskAtFirstStart,
                         testing::Values(0, 12 * 1024, 48 * 1024));

TEST(FullDiskAtStart, TheFolderIsNotOpenedAndTheMessageSaysTheDiskIsFull) {
    test::SmallDisk disk(256 * 1024);
    REQUIRE_MOUNTED(disk);
    test::writeWorkingFolder(disk.path(), test::seededSlots(100, 1));
    disk.fill();
    const auto before = test::folderChecksums(disk.path());

    const std::string message = failureOf([&] { WorkingFolderLock lock(disk.path()); });
    EXPECT_NE(message.find("cannot be written because the disk is full."), std::string::npos)
        << message;
    EXPECT_EQ(test::folderChecksums(disk.path()), before);
}

} // namespace
} // namespace wtb
