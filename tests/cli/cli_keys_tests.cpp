// The shell's `keys` command and the keys `list` shows, run as the built program.
#include "CliTestSupport.h"

#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace wtb {
namespace {

using test::runProgram;

struct KeysKit {
    explicit KeysKit(std::optional<KeyRange> slot3Keys = std::nullopt) {
        SlotBank bank = test::bankOf(test::patternedSlots(300));
        bank[3].keys = slot3Keys;
        saveWorkingFolder(bank, folder.path());
    }
    std::optional<KeyRange> keysOf(std::int16_t slot) const {
        return loadWorkingFolder(folder.path(), NewFolder::KeepEmpty)[slot].keys;
    }
    test::ProgramRun run(const QStringList& arguments) const {
        return runProgram(QStringList{"--folder", folder.path()} + arguments);
    }
    test::TempFolder folder;
};

TEST(KeysCommand, SetsTheRangeKeepingOrSettingTheRootAndSaysWhatPlaysIt) {
    const KeyRange tuned{57, 0, 127, 12}; // as a single cycle leaves it
    struct Case {
        QStringList arguments;
        std::optional<KeyRange> before;
        std::optional<KeyRange> after;
        const char* out;
    };
    for (const Case& each : {
             Case{{"keys", "3", "C2", "C5"},
                  std::nullopt,
                  KeyRange{38, 36, 72, 0},
                  "Slot 3 plays on notes 36 (C2) to 72 (C5), at its own rate on 38 (D2).\n"},
             Case{{"keys", "3", "36", "72", "--root", "F#3"},
                  std::nullopt,
                  KeyRange{54, 36, 72, 0},
                  "Slot 3 plays on notes 36 (C2) to 72 (C5), at its own rate on 54 (F#3).\n"},
             Case{{"keys", "3", "40", "80"},
                  tuned,
                  KeyRange{57, 40, 80, 12},
                  "Slot 3 plays on notes 40 (E2) to 80 (G#5), at its own rate on 57 (A3) +12 "
                  "cents.\n"},
             Case{{"keys", "3", "60", "60", "--root", "0"},
                  tuned,
                  KeyRange{0, 60, 60, 0},
                  "Slot 3 plays on note 60 (C4), at its own rate on 0 (C-1).\n"},
             Case{{"keys", "3", "none"},
                  tuned,
                  std::nullopt,
                  "Slot 3 has no key map: it plays at its own rate on note 38 (D2) alone.\n"},
         }) {
        SCOPED_TRACE(each.arguments.join(' ').toStdString());
        const KeysKit kit(each.before);
        const test::ProgramRun run = kit.run(each.arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out.toStdString(), each.out);
        EXPECT_EQ(kit.keysOf(3), each.after);
    }
}

TEST(KeysCommand, RefusesWhatIsNoKeyMapAndChangesNothing) {
    for (const QStringList& arguments : {
             QStringList{"keys", "3", "72", "36"},
             QStringList{"keys", "3", "36", "128"},
             QStringList{"keys", "3", "H4", "60"},
             QStringList{"keys", "3", "36", "72", "--root", "-1"},
             QStringList{"keys", "3", "none", "--root", "60"},
             QStringList{"keys", "3", "36"},
             QStringList{"keys", "17", "36", "72"},
             QStringList{"list", "--root", "60"},
         }) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const KeysKit kit;
        const auto before = test::folderChecksums(kit.folder.path());
        const test::ProgramRun run = kit.run(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(test::folderChecksums(kit.folder.path()), before);
    }
}

TEST(ListCommand, ShowsTheKeyMapOnlyOfSlotsThatHaveOne) {
    const KeysKit plain;
    const KeysKit mapped(KeyRange{57, 45, 81, -7});
    const QStringList plainLines = plain.run({"list"}).out.split('\n');
    const QStringList mappedLines = mapped.run({"list"}).out.split('\n');
    ASSERT_EQ(plainLines.size(), mappedLines.size());
    for (qsizetype i = 0; i < plainLines.size(); ++i) {
        EXPECT_EQ(mappedLines[i], i == 2
                                      ? plainLines[i] + "\tkeys 45-81 (A2-A5) root 57 (A3) -7 cents"
                                      : plainLines[i]);
    }
}

} // namespace
} // namespace wtb
