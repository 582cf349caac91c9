// Other programs on the same working folder, for real: a save killed with SIGKILL at every
// disk step and at many moments of a large save, the program's own command killed at random
// moments, a second program turned away by the lock, a lock left by a killed program taken
// over.

#include "SeededBanks.h"
#include "common/RegularFile.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <thread>
#include <unistd.h>

namespace wtb {
namespace {

// One run of the folder child program (see folder_child.cpp), or of another program.
class Child {
public:
    explicit Child(const QStringList& arguments,
                   const QString& program = QStringLiteral(WTB_FOLDER_CHILD)) {
        process_.start(program, arguments);
        process_.waitForStarted(20000);
    }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            kill();
        }
    }

    // Its next line of output; what is left when it ended; a note when it fell silent.
    std::string line() {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(20000)) {
                return "(no line: " + process_.readAll().toStdString() + ")";
            }
        }
        return process_.readLine().trimmed().toStdString();
    }

    // Closes its input and waits: its exit code, or -1 when it was killed or hung.
    int finish() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20000)) {
            kill();
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    qint64 processId() const { return process_.processId(); }

    // SIGKILL, and waits until it is reaped, so its process id is really gone. False when it
    // had ended by itself before.
    bool kill() {
        process_.kill();
        process_.waitForFinished(20000);
        return process_.exitStatus() == QProcess::CrashExit;
    }

private:
    QProcess process_;
};

const auto entries = test::folderEntries;

constexpr std::int32_t kLargeSlot = 65536; // a megabyte in all: two writes per slot file

QStringList saveArguments(const QString& folder, int seed, long killBefore = -1) {
    QStringList arguments{"save", folder, QString::number(kLargeSlot), QString::number(seed)};
    if (killBefore >= 0) {
        arguments << QString::number(killBefore);
    }
    return arguments;
}

// The steps and microseconds of a save the child finished.
struct WholeRun {
    std::string steps;
    long long micros = 0;
};

WholeRun runToTheEnd(const QStringList& arguments) {
    Child child(arguments);
    EXPECT_EQ(child.line(), "ready");
    std::istringstream done(child.line());
    std::string word;
    WholeRun run;
    done >> word >> run.steps >> run.micros;
    EXPECT_EQ(word, "done");
    EXPECT_EQ(child.finish(), 0);
    return run;
}

// Which of the two banks the folder loads as: 1, 2, or 0 for neither.
int loadedSeed(const QString& folder) {
    SlotBank bank;
    bank = loadWorkingFolder(folder, NewFolder::WriteDefaultKit);
    for (const int seed : {1, 2}) {
        if (test::bankHolds(bank, test::seededSlots(kLargeSlot, seed))) {
            return seed;
        }
    }
    return 0;
}

TEST(KilledSave, BeforeEveryDiskStepTheNextStartHasTheOldOrTheNewBank) {
    test::ScratchFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(kLargeSlot, 1));
    const std::string steps = runToTheEnd(saveArguments(folder.path(), 2)).steps;
    const std::size_t commit = steps.find('R'); // the journal is in place after this step
    ASSERT_NE(commit, std::string::npos) << steps;

    int current = 2;
    for (std::size_t step = 0; step < steps.size(); ++step) {
        SCOPED_TRACE("killed before step " + std::to_string(step) + " of " + steps);
        const int next = 3 - current;
        Child(saveArguments(folder.path(), next, static_cast<long>(step))).finish();
        const int expected = step <= commit ? current : next;
        EXPECT_EQ(loadedSeed(folder.path()), expected);
        EXPECT_EQ(entries(folder.path()).size(), 17);
        current = expected;
    }
    std::cout << "[ figures  ] " << steps.size() << " kills, one before each disk step\n";
}

TEST(KilledSave, AtFiftyMomentsOfALargeSaveTheNextStartHasTheOldOrTheNewBank) {
    test::TempFolder folder; // a real disk, whose syncs make the save last
    test::writeWorkingFolder(folder.path(), test::seededSlots(kLargeSlot, 1));
    const long long micros = runToTheEnd(saveArguments(folder.path(), 2)).micros;

    constexpr int kRuns = 60; // the last ten moments fall after the save's end
    int current = 2;
    int outcomes[3] = {0, 0, 0};
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("killed " + std::to_string(micros * run / 50) + " us into the save");
        const int next = 3 - current;
        Child child(saveArguments(folder.path(), next));
        ASSERT_EQ(child.line(), "ready");
        std::this_thread::sleep_for(std::chrono::microseconds(micros * run / 50));
        child.kill();
        const int found = loadedSeed(folder.path());
        EXPECT_TRUE(found == current || found == next) << "a mixed or damaged bank";
        EXPECT_EQ(entries(folder.path()).size(), 17);
        ++outcomes[found == next ? 1 : found == current ? 0 : 2];
        current = found == next ? next : current;
    }
    std::cout << "[ figures  ] " << kRuns << " kills over a " << micros
              << " us save: " << outcomes[0] << " kept the old bank, " << outcomes[1]
              << " had the new\n";
}

// The program's import, as a shell runs it, killed at random moments from its start to a
// little past its usual end: loading, changing slot 1, saving the folder, taking and dropping
// the lock. Every next start takes the lock and finds slot 1 and its name both from before
// the command or both from after it, and the other slots untouched.
TEST(KilledCommand, AtRandomMomentsEveryNextStartOpensTheOldOrTheNewBank) {
    test::TempFolder folder; // a real disk, whose syncs make the save last
    const std::vector<test::SlotContent> kit = test::seededSlots(kLargeSlot, 1);
    test::writeWorkingFolder(folder.path(), kit);
    test::TempFolder sounds;
    std::vector<test::SlotContent> banks[2] = {kit, kit};
    for (int i = 0; i < 2; ++i) {
        test::SlotContent& first = banks[i][0];
        first.name = i == 0 ? "a.wav" : "b.wav";
        first.bytes = test::seededSlots(4 * kLargeSlot, 3 + i)[0].bytes;
        first.endIndex = 4 * kLargeSlot - 1;
        test::writeWav8(sounds.file(QString::fromStdString(first.name)), first.bytes);
    }
    const auto import = [&](int bank) {
        return QStringList{"--folder", folder.path(), "import", "1",
                           sounds.file(QString::fromStdString(banks[bank][0].name))};
    };
    const auto run = [&](int bank) {
        Child command(import(bank), QStringLiteral(WTB_PROGRAM));
        EXPECT_EQ(command.finish(), 0);
    };
    const auto timed = [&](int bank) {
        const auto start = std::chrono::steady_clock::now();
        run(bank);
        return std::chrono::steady_clock::now() - start;
    };
    run(0);
    std::vector<std::chrono::steady_clock::duration> runs = {timed(1), timed(0), timed(1)};
    std::sort(runs.begin(), runs.end());
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(runs[1]);
    const auto found = [&] {
        const WorkingFolderLock lock(folder.path()); // raises if the folder stayed locked
        SlotBank bank;
        bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
        EXPECT_EQ(entries(folder.path()).size(), 18); // the seventeen and the lock
        for (int i = 0; i < 2; ++i) {
            if (test::bankHolds(bank, banks[i])) {
                return i;
            }
        }
        return -1;
    };
    ASSERT_EQ(found(), 1);

    constexpr int kRuns = 250;
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> moment(0, whole.count() * 6 / 5);
    int current = 1;
    int outcomes[3] = {0, 0, 0}; // kept the old bank, had the new one, finished before the kill
    for (int i = 0; i < kRuns; ++i) {
        const long long at = moment(random);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(i) + ", killed " +
                     std::to_string(at) + " us after its start");
        const int next = 1 - current;
        Child command(import(next), QStringLiteral(WTB_PROGRAM));
        std::this_thread::sleep_for(std::chrono::microseconds(at));
        const bool killed = command.kill();
        int now = -1;
        try {
            now = found();
        } catch (const RuntimeError& error) {
            ADD_FAILURE() << "the next start failed: " << error.what();
            return;
        }
        ASSERT_TRUE(now == current || now == next) << "a mixed or damaged bank";
        ++outcomes[!killed ? 2 : now == next ? 1 : 0];
        current = now;
    }
    std::cout << "[ figures  ] " << kRuns << " kills over an import of " << whole.count()
              << " us (median of 3 whole runs): " << outcomes[0] << " kept the old bank, "
              << outcomes[1] << " had the new, " << outcomes[2] << " had ended before the kill\n";
}

std::string alreadyOpen(const QString& folder, qint64 holder) {
    return "The working folder \"" + folder.toStdString() +
           "\" is already open in another window (process " + std::to_string(holder) + ").";
}

TEST(SecondProgram, IsTurnedAwayWithoutTouchingTheFolderUntilTheFirstEnds) {
    test::ScratchFolder folder;
    test::writeWorkingFolder(folder.path(), test::seededSlots(20, 1));
    Child first({"lock", folder.path()});
    ASSERT_EQ(first.line(), "locked");
    const auto before = test::folderChecksums(folder.path());
    const std::string holderText = test::readText(WorkingFolderLock::lockFilePath(folder.path()));

    Child second({"lock", folder.path()});
    EXPECT_EQ(second.line(), alreadyOpen(folder.path(), first.processId()));
    EXPECT_EQ(second.finish(), 3);
    EXPECT_EQ(test::folderChecksums(folder.path()), before);
    EXPECT_EQ(test::readText(WorkingFolderLock::lockFilePath(folder.path())), holderText);

    EXPECT_EQ(first.finish(), 0);
    Child third({"lock", folder.path()});
    EXPECT_EQ(third.line(), "locked");
}

TEST(SecondProgram, TakesOverTheLockOfAProgramThatWasKilled) {
    test::ScratchFolder folder;
    Child killed({"lock", folder.path()});
    ASSERT_EQ(killed.line(), "locked");
    killed.kill();
    ASSERT_TRUE(entryExists(WorkingFolderLock::lockFilePath(folder.path())));

    WorkingFolderLock lock(folder.path()); // raises if the stale lock were kept
    Child other({"lock", folder.path()});
    EXPECT_EQ(other.line(), alreadyOpen(folder.path(), ::getpid()));
}

// What a killed program, a power cut or an earlier version of the program can leave behind.
struct LeftOverLock {
    const char* name;
    std::string lockFile; // the contents of .wavetable-builder.lock; "-" for no such file
    bool rmlock;          // a .wavetable-builder.lock.rmlock beside it
};

void PrintTo(const LeftOverLock& left, std::ostream* out) {
    *out << left.name;
}

class LeftOverLockFile : public testing::TestWithParam<LeftOverLock> {};

// A process id that is certainly gone: a child's, after it was reaped.
long long deadProcessId() {
    Child gone({"lock", "/nonexistent/folder"});
    const qint64 id = gone.processId();
    gone.finish();
    return id;
}

TEST_P(LeftOverLockFile, NeverKeepsTheFolderShutAndTheNextHolderIsNamed) {
    test::ScratchFolder folder;
    const QString lockPath = WorkingFolderLock::lockFilePath(folder.path());
    const LeftOverLock& left = GetParam();
    std::string content = left.lockFile;
    const std::string dead = std::to_string(deadProcessId());
    for (std::size_t at; (at = content.find("DEAD")) != std::string::npos;) {
        content.replace(at, 4, dead);
    }
    if (content != "-") {
        test::writeText(lockPath, content);
    }
    if (left.rmlock) {
        test::writeText(lockPath + ".rmlock", "");
    }

    Child holder({"lock", folder.path()});
    ASSERT_EQ(holder.line(), "locked");
    EXPECT_FALSE(entryExists(lockPath + ".rmlock"));
    Child second({"lock", folder.path()});
    EXPECT_EQ(second.line(), alreadyOpen(folder.path(), holder.processId()));
    EXPECT_EQ(holder.finish(), 0);
    EXPECT_EQ(Child({"lock", folder.path()}).line(), "locked");
}

INSTANTIATE_TEST_SUITE_P(
    LeftBehind, LeftOverLockFile,
    testing::Values(LeftOverLock{"Empty", "", false}, LeftOverLock{"CutShort", "process 12", false},
                    LeftOverLock{"OfADeadProcess", "process DEAD\nhost here\n", false},
                    LeftOverLock{"OfAnEarlierVersion", "DEAD\nWavetable Builder\nhere\n", false},
                    LeftOverLock{"StaleRmlock", "DEAD\n", true},
                    LeftOverLock{"RmlockAlone", "-", true},
                    LeftOverLock{
                        "FromAnotherBoot",
                        "process 1\nhost here\nboot 00000000-0000-0000-0000-000000000000\n", false},
                    LeftOverLock{"Garbage", std::string("\0\xff\x01 process -3\n", 15), false}),
    [](const testing::TestParamInfo<LeftOverLock>& left) { return left.param.name; });

// What the message says of a holder, from what its file says.
TEST(LockHolder, IsNamedOnlyWhenItsFileCanBeBelieved) {
    const LockHolder self{100, "box", "boot-a"};
    const struct {
        const char* content;
        Facts said;
    } cases[] = {
        {"process 42\nhost box\nboot boot-a\n", {{"process", 42}}},
        {"process 42\n", {{"process", 42}}},
        {"process 42\nhost other\nboot boot-b\n", {{"process", 42}, {"host", "other"}}},
        {"process 42\nhost box\nboot boot-b\n", {}}, // the machine restarted since
        {"process 0\nhost box\n", {}},
        {"process 4x2\n", {}},
        {"", {}},
        {"42\nWavetable Builder\nbox\n", {}},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.content);
        EXPECT_EQ(lockHolderFacts(parseLockHolder(one.content), self), one.said);
    }
    const LockHolder me = thisProcessAsHolder();
    EXPECT_EQ(lockHolderFacts(parseLockHolder(lockHolderText(me)), me),
              (Facts{{"process", ::getpid()}}));
}

TEST(SecondProgram, ALockInTheSameProgramIsRefusedToo) {
    test::ScratchFolder folder;
    const WorkingFolderLock first(folder.path());
    try {
        const WorkingFolderLock second(folder.path());
        ADD_FAILURE() << "a second lock on the same folder was granted";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.what(), alreadyOpen(folder.path(), ::getpid()));
    }
}

TEST(SecondProgram, TheLockFileIsNeverTakenForAFileOfTheFolder) {
    test::ScratchFolder folder;
    WorkingFolderLock lock(folder.path());
    EXPECT_TRUE(isNewWorkingFolder(folder.path()));
    SlotBank bank;
    bank = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    saveWorkingFolder(bank, folder.path());
    EXPECT_EQ(entries(folder.path()).size(), 18); // the seventeen and the lock
}

} // namespace
} // namespace wtb
