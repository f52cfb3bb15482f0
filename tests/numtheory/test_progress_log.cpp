#include "numtheory/progress_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

TEST(ProgressLog, AppendLimitDropsWholeText) {
    ProgressLog log;
    log.append("");  // empty text is ignored
    EXPECT_EQ(log.length(), 0u);
    log.append(std::string(kLogAppendLimit - 3, 'x'));
    log.append("abcd");  // would reach limit + 1: dropped whole
    EXPECT_EQ(log.length(), kLogAppendLimit - 3);
    log.append("abc");  // exactly at the limit
    EXPECT_EQ(log.length(), kLogAppendLimit);
    log.append_line("");  // the line end alone no longer fits
    EXPECT_EQ(log.length(), kLogAppendLimit);
    // The display loop's closing line has its own, larger limit.
    const std::string closing = "\r\n*** Done, Thread EXIT ***\r\n";
    log.append(closing, kLogClosingLimit);
    EXPECT_EQ(log.length(), kLogAppendLimit + closing.size());
    EXPECT_LE(log.length(), kLogClosingLimit);
}

TEST(ProgressLog, WidthPadsCutsAndRefuses) {
    ProgressLog log;
    log.append_width("T3[1]", 8);
    log.append_width("0123456789", 4);
    log.append_width("x", 0);
    log.append_width("x", -3);
    EXPECT_EQ(log.text(), "T3[1]   0123");
    log.append_line("f(t)");
    EXPECT_EQ(log.text(), "T3[1]   0123f(t)\r\n");
}

TEST(ProgressLog, DropAndMark) {
    ProgressLog log;
    log.append("abcdefgh");
    log.drop(0);
    log.drop(-5);
    EXPECT_EQ(log.text(), "abcdefgh");
    log.drop(3);
    EXPECT_EQ(log.text(), "abcde");
    ProgressLog::Mark m = log.mark();
    EXPECT_EQ(m.length, 5u);
    EXPECT_EQ(std::string(m.tail, 4), "bcde");
    log.drop(5);  // n == length: cleared
    EXPECT_EQ(log.length(), 0u);
    EXPECT_EQ(log.mark(), ProgressLog::Mark{});
}

TEST(ProgressLog, RunStateAndAbort) {
    log_clear();
    set_run_state(RunState::running);
    EXPECT_FALSE(abort_requested());
    set_run_state(RunState::abort_requested);
    EXPECT_TRUE(abort_requested());
    set_run_state(RunState::idle);
    EXPECT_EQ(run_state(), RunState::idle);
}

// One writer and one reader at once, as worker and display loop: every snapshot
// the reader takes is a whole number of appended lines.
TEST(ProgressLog, ConcurrentAppendAndRead) {
    ProgressLog log;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) log.append_line("0123456789");
    });
    for (int i = 0; i < 2000; ++i) {
        const std::string t = log.text();
        ASSERT_EQ(t.size() % 12, 0u);
    }
    writer.join();
    EXPECT_EQ(log.length(), 2000u * 12);
}

}  // namespace
