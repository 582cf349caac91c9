#include "app/TerminationSignals.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

namespace wtb {
namespace {

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
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
}

} // namespace
} // namespace wtb
