// Other programs on the same working folder, for real: a save killed with SIGKILL at every
// disk step and at many moments of a large save, a second program turned away by the lock,
// a lock left by a killed program taken over.

#include "SeededBanks.h"
#include "common/RegularFile.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace wtb {
namespace {

// One run of the folder child program (see folder_child.cpp).
class Child {
public:
    explicit Child(const QStringList& arguments) {
        process_.start(QStringLiteral(WTB_FOLDER_CHILD), arguments);
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

    // SIGKILL, and waits until it is reaped, so its process id is really gone.
    void kill() {
        process_.kill();
        process_.waitForFinished(20000);
    }

private:
    QProcess process_;
};

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

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
    LoadWorkingFolder(bank, folder);
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
        std::string said;
    } cases[] = {
        {"process 42\nhost box\nboot boot-a\n", " (process 42)"},
        {"process 42\n", " (process 42)"},
        {"process 42\nhost other\nboot boot-b\n", " (process 42 on host \"other\")"},
        {"process 42\nhost box\nboot boot-b\n", ""}, // the machine restarted since
        {"process 0\nhost box\n", ""},
        {"process 4x2\n", ""},
        {"", ""},
        {"42\nWavetable Builder\nbox\n", ""},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.content);
        EXPECT_EQ(describeLockHolder(parseLockHolder(one.content), self), one.said);
    }
    const LockHolder me = thisProcessAsHolder();
    EXPECT_EQ(describeLockHolder(parseLockHolder(lockHolderText(me)), me),
              " (process " + std::to_string(::getpid()) + ")");
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
    LoadWorkingFolder(bank, folder.path());
    SaveWorkingFolder(bank, folder.path());
    EXPECT_EQ(entries(folder.path()).size(), 18); // the seventeen and the lock
}

} // namespace
} // namespace wtb
