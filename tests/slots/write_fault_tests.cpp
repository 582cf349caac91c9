// Every write path fails at every one of its disk steps in turn, through the seam that makes a
// step fail as the system would: a write at its first or at its last byte (ENOSPC), a create,
// sync, rename or remove (EIO). Before the commit the folder must be exactly as it was; after
// it, it must hold the complete new content.

#include "SeededBanks.h"
#include "common/AtomicFile.h"
#include "slots/DefaultKit.h"
#include "slots/WorkingFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>

namespace wtb {
namespace {

// Records the steps of a run; fails the one at `failAt` (for a write, optionally after all
// but its last byte went through).
class StepFault {
public:
    explicit StepFault(long failAt = -1, bool atLastByte = false)
        : failAt_(failAt), atLastByte_(atLastByte) {
        setFileFaultHook([this](FileStep step, std::size_t& bytes) { return next(step, bytes); });
    }
    ~StepFault() { setFileFaultHook(nullptr); }

    std::string steps;

private:
    int next(FileStep step, std::size_t& bytes) {
        const long index = static_cast<long>(steps.size());
        steps += "CWSRD"[static_cast<int>(step)];
        if (step == FileStep::Write && failNextWrite_) {
            return ENOSPC;
        }
        if (index != failAt_) {
            return 0;
        }
        if (step != FileStep::Write) {
            return EIO;
        }
        if (atLastByte_ && bytes > 1) {
            bytes -= 1;
            failNextWrite_ = true;
            return 0;
        }
        return ENOSPC;
    }

    long failAt_;
    bool atLastByte_;
    bool failNextWrite_ = false;
};

const auto entries = test::folderEntries;

constexpr std::int32_t kSlotLength = 40;

struct FaultCase {
    const char* name;
    std::function<void(const QString&)> prepare;
    std::function<void(const QString&)> act;
    // The folder holds the complete new content (and nothing else).
    std::function<bool(const QString&)> holdsNew;
    // A failure after the commit may still leave nothing new (the default kit takes itself
    // away again); false when it must leave the new content.
    bool rollsBackAfterCommit = false;
    // Steps after the first rename that still roll back: a batch gives up its journal when
    // the folder cannot be synced right after placing it.
    std::size_t stepsBeforeCommit = 1;

    friend void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }
};

bool folderHoldsBank(const QString& folder, int seed) {
    SlotBank bank;
    bank = loadWorkingFolder(folder, NewFolder::WriteDefaultKit);
    return test::bankHolds(bank, test::seededSlots(kSlotLength, seed)) &&
           entries(folder).size() == 17;
}

bool folderHoldsKit(const QString& folder) {
    SlotBank bank;
    bank = loadWorkingFolder(folder, NewFolder::WriteDefaultKit);
    const std::vector<KitSound> kit = defaultKit();
    for (int slot = 1; slot <= 16; ++slot) {
        const Sound8& sound = kit[static_cast<std::size_t>(slot - 1)].sound;
        const auto bytes = bank[slot].samples.bytes();
        if (!std::equal(bytes.begin(), bytes.end(), sound.bytes.begin(), sound.bytes.end())) {
            return false;
        }
    }
    return entries(folder).size() == 17;
}

const std::string kNewSketch(2833, 'n');

const FaultCase kCases[] = {
    {"save_of_the_working_folder",
     [](const QString& f) { test::writeWorkingFolder(f, test::seededSlots(kSlotLength, 1)); },
     [](const QString& f) {
         SlotBank bank;
         test::fillBank(bank, test::seededSlots(kSlotLength, 2));
         saveWorkingFolder(bank, f);
     },
     [](const QString& f) { return folderHoldsBank(f, 2); }},
    {"default_kit_on_first_start", [](const QString&) {},
     [](const QString& f) {
         SlotBank bank;
         bank = loadWorkingFolder(f, NewFolder::WriteDefaultKit);
     },
     folderHoldsKit, true},
    {"export_over_an_old_sketch",
     [](const QString& f) { writeFileAtomically(f + "/Zozedovad.ino", "old sketch"); },
     [](const QString& f) { writeFileAtomically(f + "/Zozedovad.ino", kNewSketch); },
     [](const QString& f) {
         return readWholeFile(f + "/Zozedovad.ino") == kNewSketch && entries(f).size() == 1;
     },
     false, 0},
};

class WriteFault : public testing::TestWithParam<FaultCase> {};

TEST_P(WriteFault, AtEveryStepLeavesTheOldOrTheWholeNewContent) {
    const FaultCase& c = GetParam();
    std::string steps;
    {
        test::ScratchFolder folder;
        c.prepare(folder.path());
        StepFault recorder;
        c.act(folder.path());
        steps = recorder.steps;
    }
    // The journal's rename (or the sketch's) commits: nothing is replaced before it.
    const std::size_t firstRename = steps.find('R');
    ASSERT_NE(firstRename, std::string::npos) << steps;
    const std::size_t commit = firstRename + c.stepsBeforeCommit;

    for (std::size_t step = 0; step < steps.size(); ++step) {
        for (const bool atLastByte : {false, true}) {
            if (atLastByte && steps[step] != 'W') {
                continue;
            }
            SCOPED_TRACE("failing step " + std::to_string(step) + " of " + steps +
                         (atLastByte ? " at its last byte" : ""));
            test::ScratchFolder folder;
            c.prepare(folder.path());
            const auto before = test::folderChecksums(folder.path());
            bool failed = false;
            {
                StepFault fault(static_cast<long>(step), atLastByte);
                try {
                    c.act(folder.path());
                } catch (const RuntimeError& error) {
                    failed = true;
                    EXPECT_EQ(error.kind(), ErrorKind::File);
                    const std::string message = error.what();
                    EXPECT_NE(message.find(folder.path().toStdString()), std::string::npos)
                        << message;
                    EXPECT_NE(message.find(steps[step] == 'W' ? "No space left on device"
                                                              : "Input/output error"),
                              std::string::npos)
                        << message;
                }
            }
            if (step <= commit || (failed && c.rollsBackAfterCommit)) {
                EXPECT_TRUE(failed);
                EXPECT_EQ(test::folderChecksums(folder.path()), before);
                EXPECT_EQ(entries(folder.path()).size(), before.size());
            } else {
                EXPECT_TRUE(c.holdsNew(folder.path()));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachWritePath, WriteFault, testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

struct Leftover {
    const char* name;
    std::string journal; // empty: no journal
};

class LeftoversOfAnInterruptedSave : public testing::TestWithParam<Leftover> {};

// Temporaries without a complete journal are a save that never committed: the start loads the
// old bank and removes them. A journal naming anything but the folder's own files is not ours.
TEST_P(LeftoversOfAnInterruptedSave, AreDiscardedAndTheOldBankLoads) {
    test::ScratchFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(kSlotLength, 1));
    const auto before = test::folderChecksums(folder.path());
    for (const QString& name : workingFolderFileNames()) {
        test::writeText(folder.file(batchTemporaryName(name)), "half a file");
    }
    if (!GetParam().journal.empty()) {
        test::writeText(saveJournalPath(folder.path()), GetParam().journal);
    }
    EXPECT_FALSE(isNewWorkingFolder(folder.path()));

    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_TRUE(test::bankHolds(bank, test::seededSlots(kSlotLength, 1)));
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
}

const std::string kHeader = "Brimtock Wavetable Builder save journal\n";

INSTANTIATE_TEST_SUITE_P(
    Each, LeftoversOfAnInterruptedSave,
    testing::Values(Leftover{"temporaries_only", ""},
                    Leftover{"journal_cut_short", kHeader + "1.wav\n2.wav\n"},
                    Leftover{"journal_miscounted", kHeader + "1.wav\nend of journal, files: 2\n"},
                    Leftover{"journal_naming_another_file",
                             kHeader + "../1.wav\nend of journal, files: 1\n"}),
    [](const auto& param) { return std::string(param.param.name); });

// Fails the `nth` (from 0) disk step of kind `failed` with EIO; the others run.
class NthStepFault {
public:
    NthStepFault(FileStep failed, int nth) {
        setFileFaultHook([this, failed, nth](FileStep step, std::size_t&) {
            return step == failed && seen_++ == nth ? EIO : 0;
        });
    }
    ~NthStepFault() { setFileFaultHook(nullptr); }

private:
    int seen_ = 0;
};

struct UnfinishedCase {
    const char* name;
    int placedByTheCutSave; // data files the cut-off save renamed (of 17)
    FileStep failedAtStart; // the step of the start that fails
    int nth;                // which one of that kind
    bool startChangedFiles; // the start had put a file in place before failing
    const char* said;       // in the message
};

void PrintTo(const UnfinishedCase& c, std::ostream* out) {
    *out << c.name;
}

class UnfinishedSaveAtStart : public testing::TestWithParam<UnfinishedCase> {};

// A save cut off among its renames, then a start that cannot finish it either: the message
// tells what stands where, and only a start that moved files says it changed the folder. The
// next start finishes the save whole.
TEST_P(UnfinishedSaveAtStart, SaysWhichFilesAreInPlaceAndWhichAreNot) {
    const UnfinishedCase& c = GetParam();
    test::ScratchFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(kSlotLength, 1));
    {
        // The journal's rename is the first; the data files' renames follow.
        const NthStepFault cut(FileStep::Rename, 1 + c.placedByTheCutSave);
        SlotBank bank;
        test::fillBank(bank, test::seededSlots(kSlotLength, 2));
        EXPECT_THROW(saveWorkingFolder(bank, folder.path()), RuntimeError);
    }
    std::string message;
    bool changed = false;
    {
        const NthStepFault fault(c.failedAtStart, c.nth);
        SlotBank bank;
        try {
            bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
            ADD_FAILURE() << "the start did not fail";
        } catch (const FilesChangedError& error) {
            changed = true;
            message = error.what();
        } catch (const RuntimeError& error) {
            message = error.what();
        }
    }
    EXPECT_EQ(changed, c.startChangedFiles) << message;
    EXPECT_NE(message.find("An interrupted save of the working folder could not be finished."),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(c.said), std::string::npos) << message;
    EXPECT_TRUE(folderHoldsBank(folder.path(), 2));
}

INSTANTIATE_TEST_SUITE_P(
    Each, UnfinishedSaveAtStart,
    testing::Values(
        UnfinishedCase{"NothingPlacedByEither", 0, FileStep::Rename, 0, false,
                       "No file of the interrupted save is in place yet: 1.wav, 2.wav, 3.wav, "
                       "4.wav, 5.wav, 6.wav, 7.wav, 8.wav, 9.wav, 10.wav, 11.wav, 12.wav, 13.wav, "
                       "14.wav, 15.wav, 16.wav and Settings.txt still hold what they held before "
                       "it; the next start tries again."},
        UnfinishedCase{"OnlyTheCutSavePlacedFiles", 3, FileStep::Rename, 0, false,
                       "Of the interrupted save, 1.wav, 2.wav and 3.wav are in place; 4.wav, "},
        UnfinishedCase{"TheStartPlacedSomeToo", 3, FileStep::Rename, 2, true,
                       "Of the interrupted save, 1.wav, 2.wav, 3.wav, 4.wav and 5.wav are in "
                       "place; 6.wav, 7.wav"},
        UnfinishedCase{"AllButTheLast", 0, FileStep::Rename, 16, true,
                       "16.wav are in place; Settings.txt still holds what it held before it"},
        UnfinishedCase{"AllPlacedTheFolderNotSynced", 5, FileStep::Sync, 0, true,
                       "Every file of the interrupted save is in place (1.wav, "},
        UnfinishedCase{"AllPlacedTheJournalStays", 5, FileStep::Remove, 0, true,
                       "Every file of the interrupted save is in place (1.wav, "}),
    [](const testing::TestParamInfo<UnfinishedCase>& one) { return one.param.name; });

// A save finished at the start, then a slot file that does not load: the folder did change.
TEST(UnfinishedSaveAtStart, FinishedButThenDamagedSaysTheSaveWasFinished) {
    test::ScratchFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(kSlotLength, 1));
    {
        const NthStepFault cut(FileStep::Rename, 1 + 16); // all but Settings.txt
        SlotBank bank;
        test::fillBank(bank, test::seededSlots(kSlotLength, 2));
        EXPECT_THROW(saveWorkingFolder(bank, folder.path()), RuntimeError);
    }
    test::writeText(folder.file(batchTemporaryName("Settings.txt")), "not\tsettings\r\n");
    // Damaged after it was synced, as a failing disk may: found only when it is read.
    SlotBank bank;
    try {
        bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
        ADD_FAILURE() << "loaded a damaged settings file";
    } catch (const FilesChangedError& error) {
        EXPECT_NE(std::string(error.what())
                      .find("An interrupted save had been finished first: Settings.txt was put "
                            "in place."),
                  std::string::npos)
            << error.what();
    }
}

TEST(LeftoversOfAnInterruptedSave, OnlyTemporariesInANewFolderStillMakeItNew) {
    test::ScratchFolder folder;
    test::writeText(folder.file(batchTemporaryName("5.wav")), "half a file");
    EXPECT_TRUE(isNewWorkingFolder(folder.path()));
    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    EXPECT_EQ(entries(folder.path()).size(), 17u);
}

// A slot file the system will not let a rename replace (chattr +i), as a backup tool or a
// careful user leaves it: the save fails naming it, and the folder is exactly as it was, with
// no journal and no temporaries for the next start to find.
TEST(ImmutableSlotFile, FailsTheSaveBeforeAnyFileIsReplaced) {
    test::TempFolder folder; // on a real disk: /dev/shm may not keep the flag
    test::writeWorkingFolder(folder.path(), test::seededSlots(kSlotLength, 1));
    const QString locked = slotFilePath(folder.path(), 2);
    const QByteArray native = QFile::encodeName(locked);
    if (std::system(("chattr +i '" + native.toStdString() + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "chattr +i is not available here (it needs root and a file system "
                        "that keeps the flag)";
    }
    const auto before = test::folderChecksums(folder.path());
    SlotBank bank;
    test::fillBank(bank, test::seededSlots(kSlotLength, 2));
    std::string message;
    try {
        saveWorkingFolder(bank, folder.path());
    } catch (const RuntimeError& error) {
        message = error.what();
    }
    std::system(("chattr -i '" + native.toStdString() + "'").c_str());
    EXPECT_NE(message.find("2.wav\": it is marked immutable"), std::string::npos) << message;
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
    EXPECT_EQ(entries(folder.path()).size(), 17u);
}

} // namespace
} // namespace wtb
