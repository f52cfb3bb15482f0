// The start-up self test: argument checks, every benchmark curve in both modes
// (each ECDSA round must verify with the published FIPS 186-2 constants), the
// failure path, and the exact report with a clock whose counter moves by a
// fixed step per reading.
#include "random/self_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "engine/big.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/mask_numbers.h"

namespace {

using testsupport::mask_numbers;

// Every reading of the counter moves it by 1000 ticks at 10^6 Hz: a timed span
// reads it twice, so every time comes out as 1000 * 100000 / 10^6 = 100.
class SteppingClock final : public Clock {
   public:
    uint32_t tick_ms() override { return 0; }
    uint64_t perf_frequency() override { return 1000000; }
    uint64_t perf_counter() override { return m_counter += 1000; }
    uint64_t tsc() override { return m_tsc += 7919; }

   private:
    uint64_t m_counter = 0;
    uint64_t m_tsc = 12345;
};

class FakeView final : public SelfTestView {
   public:
    int build_prime_table(bool large) override {
        builds.push_back(large);
        return large ? error_1024k : error_64k;
    }
    void clear_log() override { ++log_clears; }
    void report_failure(const std::string& text) override { failures.push_back(text); }
    void show_status(const std::string& text) override { status.push_back(text); }
    void message_box(const std::string& title, const std::string& text) override {
        boxes.push_back(title + "|" + text);
        boxed.store(true);
    }
    std::atomic<bool> boxed{false};
    int error_64k = 0, error_1024k = 0;
    std::vector<bool> builds;
    int log_clears = 0;
    std::vector<std::string> failures, status, boxes;
};

class SelfTest : public testsupport::EngineTest {};

TEST_F(SelfTest, RefusedArgumentsLeaveTheCurveAlone) {
    SteppingClock clock;
    FakeView view;
    const int before = E->basis_m;
    for (auto [count, m] : {std::pair{0, 163}, std::pair{11, 163}, std::pair{3, 162}, std::pair{3, 572}}) {
        EXPECT_EQ(bench_binary_curve(count, m, kBenchEcdsa, clock, view), 0) << count << " " << m;
        EXPECT_EQ(bench_binary_curve(count, m, kBenchMultiply, clock, view), 0);
    }
    EXPECT_EQ(E->basis_m, before);
    EXPECT_TRUE(view.failures.empty());
}

TEST_F(SelfTest, EveryCurveSignsVerifiesAndMultiplies) {
    SteppingClock clock;
    FakeView view;
    // m = 200 is in range and selects B-571.
    for (int m : {163, 233, 283, 409, 571, 200}) {
        SCOPED_TRACE(m);
        EXPECT_EQ(bench_binary_curve(2, m, kBenchEcdsa, clock, view), 100);
        EXPECT_EQ(bench_binary_curve(1, m, kBenchMultiply, clock, view), 100);
        EXPECT_EQ(E->basis_m, m == 200 ? 571 : m);
        EXPECT_EQ(E->coord_mode, 0);  // projective
    }
    EXPECT_TRUE(view.failures.empty());
    EXPECT_EQ(engine_error(), 0);
}

TEST_F(SelfTest, CurveFailureIsReportedAsALine) {
    // With an engine error recorded nothing can be set up.
    SteppingClock clock;
    FakeView view;
    report_error(3);
    EXPECT_EQ(bench_binary_curve(3, 233, kBenchEcdsa, clock, view), -3);
    EXPECT_EQ(view.failures, (std::vector<std::string>{"Init ECurve Error: GF(2^233)\r\n"}));
}

TEST_F(SelfTest, ReportLayout) {
    SteppingClock clock;
    FakeView view;
    StopToken stop;
    stop.request_stop();  // a stopped thread ends at its first sleep, reporting nothing
    run_self_test(view, clock, stop);
    EXPECT_TRUE(view.status.empty());
    EXPECT_TRUE(view.builds.empty());

    const int64_t ecdsa[5] = {300, 300, 200, 100, 100}, mul[5] = {31, 32, 33, 34, 35};
    EXPECT_EQ(self_test_report(0, 7, 0, 123, ecdsa, mul),
              "Init Prime Table\r\n64K:0 Err,7 us\r\n1024K:0 Er,123 us\r\nBenchmark ECDSA/MUL\r\n"
              "B-163:100/10 us\r\nB-233:100/10 us\r\nB-283:100/16 us\r\nB-409:100/34 us\r\nB-571:100/35 us");
    // Failed benchmarks keep their negative values (divided like the times).
    const int64_t bad[5] = {-3, 0, -2, -1, -1};
    EXPECT_EQ(self_test_report(1, 0, 2, 0, bad, bad),
              "Init Prime Table\r\n64K:1 Err,0 us\r\n1024K:2 Er,0 us\r\nBenchmark ECDSA/MUL\r\n"
              "B-163:-1/-1 us\r\nB-233:0/0 us\r\nB-283:-1/-1 us\r\nB-409:-1/-1 us\r\nB-571:-1/-1 us");
}

TEST_F(SelfTest, FullRunReportsAndWarnsAboutATable) {
    SteppingClock clock;
    FakeView view;
    view.error_1024k = 1;
    StopToken stop;
    // The final 10-second sleep ends as soon as the report is there.
    std::thread run([&] {
        engine_instance* e = engine_open(2176, 2);
        e->error_control = true;
        e->io_base = 16;
        run_self_test(view, clock, stop);
        engine_teardown();
    });
    while (!view.boxed.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop.request_stop();
    run.join();
    EXPECT_EQ(view.builds, (std::vector<bool>{false, true}));
    EXPECT_EQ(view.log_clears, 1);
    ASSERT_EQ(view.status.size(), 1u);
    // Every span is 100 units: the tables show 100, the curves 100 per round.
    EXPECT_EQ(view.status[0],
              "Init Prime Table\r\n64K:0 Err,100 us\r\n1024K:1 Er,100 us\r\nBenchmark ECDSA/MUL\r\n"
              "B-163:33/33 us\r\nB-233:33/33 us\r\nB-283:50/50 us\r\nB-409:100/100 us\r\nB-571:100/100 us");
    EXPECT_EQ(mask_numbers(view.status[0]),
              "Init Prime Table\r\n#K:# Err,# us\r\n#K:# Er,# us\r\nBenchmark ECDSA/MUL\r\n"
              "B-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us");
    EXPECT_EQ(view.boxes, (std::vector<std::string>{"Oh, bug found...|Init Prime Table Error,\r\nReport this to tovrel.\r\n"}));
    EXPECT_TRUE(view.failures.empty());
}

}  // namespace
