// The terminal progress bar: Ctrl-C asks the run to stop, and the handler
// that was there before comes back at the end.
#include "batch/progress_dialog.h"

#include <gtest/gtest.h>

#include <csignal>

namespace batch {
namespace {

volatile sig_atomic_t g_outerCalls = 0;
extern "C" void OuterHandler(int) {
    g_outerCalls = g_outerCalls + 1;
}

TEST(ProgressTerminal, FirstInterruptCancelsAndTheOldHandlerReturns) {
    struct sigaction outer = {};
    outer.sa_handler = &OuterHandler;
    sigemptyset(&outer.sa_mask);
    struct sigaction saved;
    ASSERT_EQ(0, sigaction(SIGINT, &outer, &saved));

    ProgressDialog progress;
    ASSERT_TRUE(progress.Start(nullptr));
    progress.SetCaption(IDS_PROGRESS_IMPORTING);
    progress.SetTotal(10);
    progress.SetPosition(3);
    EXPECT_FALSE(progress.IsCancelled());
    raise(SIGINT);
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_EQ(0, g_outerCalls);
    progress.End();

    raise(SIGINT);
    EXPECT_EQ(1, g_outerCalls);
    // A new run starts uncancelled.
    ASSERT_TRUE(progress.Start(nullptr));
    EXPECT_FALSE(progress.IsCancelled());
    progress.End();
    sigaction(SIGINT, &saved, nullptr);
}

TEST(ProgressTerminal, SecondInterruptEndsTheProcess) {
    EXPECT_EXIT(
        {
            ProgressDialog progress;
            progress.Start(nullptr);
            raise(SIGINT);
            if (!progress.IsCancelled())
                std::_Exit(3);
            raise(SIGINT);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

TEST(ProgressTerminal, StringsOfTheTable) {
    EXPECT_EQ("Wait...", LoadResourceString(IDS_PROGRESS_WAIT));
    EXPECT_EQ("%i of %i", LoadResourceString(IDS_PROGRESS_COUNTER));
    EXPECT_EQ("Exporting...", LoadResourceString(IDS_PROGRESS_EXPORTING));
    EXPECT_EQ("", LoadResourceString(4711));
}

} // namespace
} // namespace batch
