#include "app/TerminationSignals.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

namespace wtb {
namespace {

struct sigaction currentAction(int signal) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now;
}

extern "C" void ownHandler(int) {}

TEST(TerminationSignals, EachSignalReachesTheEventLoopAndTheDefaultReturnsAfterwards) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        int calls = 0;
        {
            TerminationSignals watch([&calls] { ++calls; });
            ASSERT_EQ(std::raise(signal), 0); // without the watch, this would end the test
            EXPECT_EQ(calls, 0) << "called from the signal handler, not from the event loop";
            EXPECT_TRUE(test::spinEventLoopUntil([&calls] { return calls > 0; }, 10000));
        }
        EXPECT_EQ(currentAction(signal).sa_handler, SIG_DFL);
    }
}

// What was there before the watch: ignored (as `nohup` leaves SIGHUP) stays ignored while it
// lives, and any handling comes back exactly as it was, flags and all.
TEST(TerminationSignals, LeaveAnIgnoredSignalIgnoredAndPutBackWhatWasThere) {
    struct Before {
        void (*handler)(int);
        int flags;
    };
    constexpr int kChecked = SA_NODEFER | static_cast<int>(SA_RESETHAND) | SA_RESTART;
    const Before befores[] = {
        {SIG_IGN, 0}, {ownHandler, SA_NODEFER}, {SIG_DFL, static_cast<int>(SA_RESETHAND)}};
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        for (const Before& before : befores) {
            SCOPED_TRACE(std::to_string(signal) + " flags " + std::to_string(before.flags));
            struct sigaction installed {};
            installed.sa_handler = before.handler;
            installed.sa_flags = before.flags;
            sigemptyset(&installed.sa_mask);
            sigaddset(&installed.sa_mask, SIGUSR2);
            ASSERT_EQ(::sigaction(signal, &installed, nullptr), 0);
            int calls = 0;
            {
                TerminationSignals watch([&calls] { ++calls; });
                if (before.handler == SIG_IGN) {
                    EXPECT_EQ(currentAction(signal).sa_handler, SIG_IGN);
                    ASSERT_EQ(std::raise(signal), 0); // ignored: the test goes on
                    test::spinEventLoopUntil([] { return false; }, 50);
                    EXPECT_EQ(calls, 0);
                } else {
                    EXPECT_NE(currentAction(signal).sa_handler, before.handler);
                }
            }
            const struct sigaction after = currentAction(signal);
            EXPECT_EQ(after.sa_handler, before.handler);
            EXPECT_EQ(after.sa_flags & kChecked, before.flags);
            EXPECT_EQ(sigismember(&after.sa_mask, SIGUSR2), 1);
        }
        ::signal(signal, SIG_DFL);
    }
}

} // namespace
} // namespace wtb
