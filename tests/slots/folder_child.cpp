// A second program on a working folder, for the tests that need one: it saves a bank (killing
// itself with SIGKILL before a chosen disk step), or holds the folder's lock until its standard
// input closes.
//
//   folder_child save <folder> <length> <seed> [<kill before step>]
//   folder_child lock <folder>
//
// It prints "ready" just before the save starts, then "done <steps> <microseconds>", where
// <steps> has one letter per disk step: C create, W write, S sync, R rename, D remove.

#include "messages/Messages.h"
#include "SeededBanks.h"
#include "common/AtomicFile.h"
#include "slots/SoundHeaderProbe.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

void say(const std::string& line) {
    std::cout << line << std::endl;
}

int holdLock(const QString& folder) {
    try {
        wtb::WorkingFolderLock lock(folder);
        say("locked");
        char c;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        return 0;
    } catch (const std::exception& error) {
        say(error.what());
        return 3;
    }
}

} // namespace

int main(int argc, char** argv) {
    wtb::installMessages();
    wtb::answerHeaderProbeIfAsked(argc, argv);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    const QString folder = args.value(2);
    if (mode == "lock") {
        return holdLock(folder);
    }
    const long killBefore = args.size() > 5 ? args[5].toLong() : -1;
    wtb::SlotBank bank;
    wtb::test::fillBank(bank, wtb::test::seededSlots(args.value(3).toInt(), args.value(4).toInt()));
    std::string steps;
    wtb::setFileFaultHook([&](wtb::FileStep step, std::size_t&) {
        if (static_cast<long>(steps.size()) == killBefore) {
            ::kill(::getpid(), SIGKILL);
        }
        steps += "CWSRD"[static_cast<int>(step)];
        return 0;
    });
    say("ready");
    QElapsedTimer clock;
    clock.start();
    try {
        wtb::saveWorkingFolder(bank, folder);
    } catch (const std::exception& error) {
        say(std::string("failed: ") + error.what());
        return 2;
    }
    say("done " + steps + " " + std::to_string(clock.nsecsElapsed() / 1000));
    return 0;
}
