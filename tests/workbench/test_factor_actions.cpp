// FACTOR NP through the window: the worker, the display poller and STOP, and
// the start-up self test's report in the status pane.
#include <gtest/gtest.h>

#include <string>

#include "numtheory/factor_report.h"
#include "tests/support/mask_numbers.h"
#include "tests/workbench/fixture.h"

namespace {

using testsupport::mask_numbers;

class FactorAction : public testsupport::WorkbenchTest {
   protected:
    void SetUp() override {
        registry = command_registry();
        registry.keep_backgrounds({"factoring poller"});
        start(false, &registry, false, true);
    }
    // Types NP (hex), presses FACTOR NP and waits until the worker has ended and
    // the poller has shown the outcome.
    bool factor(const std::string& np) {
        if (!type(ctl::NP, np)) return false;
        if (!win->click(ctl::factor_np)) return false;
        return pump_until([&] { return !wb->busy() && state(4) == SlotState::finished; }, 60000);
    }
    SlotState state(int slot) { return wb->workers().state(slot); }
    CommandRegistry registry;
};

TEST_F(FactorAction, TooSmall) {
    ASSERT_TRUE(factor("1"));
    EXPECT_EQ(pane(), "N is too small...");
    EXPECT_EQ(status(), "No joking...");
    EXPECT_EQ(win->text(ctl::cost), " 0s 0ms");  // the manual clock stands still
    EXPECT_TRUE(win->enabled(ctl::factor_np));
}

TEST_F(FactorAction, SmallPrimesAndRho) {
    ASSERT_TRUE(factor("18"));
    EXPECT_EQ(pane(), "P-2\r\nP-2\r\nP-2\r\nP-3\r\n");
    EXPECT_EQ(status(), "Done all Prime Factors .");
    // 0x23C6F * 0x32A7AF11DBD: rho finds the small factor.
    ASSERT_TRUE(factor("7144A1E0CFE30F3"));
    EXPECT_EQ(pane(), "P-23C6F\r\nP(42)-32A7AF11DBD\r\n");
    EXPECT_EQ(status(), "Done all Factors in Pollard Rho.\r\n");
    EXPECT_FALSE(win->enabled(ctl::stop));
}

TEST_F(FactorAction, StopEndsTheRunWithItsAbortText) {
    // A 200-bit balanced semiprime keeps the run busy for seconds.
    const std::string n = "88772E927DC304C1399DBB6C9BA94F6EBC89D4E54561C96723";
    ASSERT_TRUE(type(ctl::NP, n));
    ASSERT_TRUE(win->click(ctl::factor_np));
    ASSERT_TRUE(pump_until([&] { return state(4) == SlotState::running && win->enabled(ctl::stop); }));
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(status(), "Wait for factor thread exiting...");
    ASSERT_TRUE(pump_until([&] { return !wb->busy() && state(4) == SlotState::finished; }, 60000));
    EXPECT_EQ(status().rfind("Factor Aborted in ", 0), 0u) << status();
    EXPECT_EQ(pane(), "N(200)-" + n + "\r\n");
    EXPECT_EQ(factor_report().status_code(), kStatusIdle);
}

class SelfTestReport : public testsupport::WorkbenchTest {
   protected:
    void SetUp() override {
        registry = command_registry();
        registry.keep_backgrounds({"self test"});
        start(false, &registry, false, true);
    }
    CommandRegistry registry;
};

TEST_F(SelfTestReport, StatusPaneLayout) {
    ASSERT_TRUE(pump_until([&] { return !status().empty(); }, 60000));
    EXPECT_EQ(mask_numbers(status()),
              "Init Prime Table\r\n#K:# Err,# us\r\n#K:# Er,# us\r\nBenchmark ECDSA/MUL\r\n"
              "B-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us\r\nB-#:#/# us");
    // Both tables built without error, the five curves in order.
    size_t at = 0;
    for (const char* part : {"64K:0 Err,", "1024K:0 Er,", "B-163:", "B-233:", "B-283:", "B-409:", "B-571:"}) {
        at = status().find(part, at);
        EXPECT_NE(at, std::string::npos) << part;
    }
    EXPECT_TRUE(win->messages().empty());
}

}  // namespace
