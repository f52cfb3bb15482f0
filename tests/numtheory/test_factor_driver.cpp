// The factoring driver's texts and order on the quick cases: N <= 1, products
// of small primes, primes, a factor rho finds, and STOP in rho and P+1. The
// 200- and 320-bit method orders run in slow_factor_driver.cpp.
#include "numtheory/factor_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/numtheory/factor_test_util.h"
#include "tests/support/engine_fixture.h"

namespace {

using testsupport::Big;

class FactorDriver : public testsupport::EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        report.set_listener([this](int code, const std::string& text) {
            texts.push_back(text);
            if (code == stop_code && text == stop_text) report.request_stop();
        });
    }
    FactorOutcome run(const std::string& hex) {
        Big n(hex);
        FactorOutcome o = factor_driver(n, inputs, report);
        cofactor = testsupport::get_hex(n);
        return o;
    }
    FactorReport report;
    FactorInputs inputs{[] { return uint64_t{50}; }, [] { return uint64_t{101}; }, {}};
    std::vector<std::string> texts;
    std::string cofactor;
    int stop_code = -1;
    std::string stop_text;
};

TEST_F(FactorDriver, TooSmallLeavesReportAlone) {
    report.add_line("kept");
    report.set_status("old", kStatusShown);
    texts.clear();
    for (const char* n : {"0", "1", "-1"}) {
        EXPECT_EQ(run(n), FactorOutcome::too_small) << n;
    }
    EXPECT_EQ(report.list_text(), "kept\r\n");
    EXPECT_TRUE(texts.empty());
}

TEST_F(FactorDriver, SmallPrimeProducts) {
    struct Case {
        const char* n;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"2", {"P-2"}},  // a prime: "N is Prime!" below
        {"18", {"P-2", "P-2", "P-2", "P-3"}},  // 0x18 = 24
        {"10000", {"P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2", "P-2",
                   "P-2", "P-2", "P-2", "P-2"}},
        // 2^5 * 3^2 * 65519 * 65521 * 65537 (the last prime of the table).
        {"11FDD20FAE11EE0", {"P-2", "P-2", "P-2", "P-2", "P-2", "P-3", "P-3", "P-FFEF", "P-FFF1", "P-10001"}},
        // 65537^2: a square of the last table prime.
        {"100020001", {"P-10001", "P-10001"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        texts.clear();
        EXPECT_EQ(run(c.n), FactorOutcome::factored);
        EXPECT_EQ(factortest::lines(report), c.lines);
        EXPECT_EQ(report.status_code(), kStatusFactored);
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts.front(), "Brute method, 6543 small primes...\r\n");
        EXPECT_EQ(texts.back(), std::string(c.lines.size() == 1 ? "N is Prime!" : "Done all Prime Factors ."));
    }
}

TEST_F(FactorDriver, Primes) {
    // A prime of 40 bits and one of the table.
    EXPECT_EQ(run("800000303F"), FactorOutcome::factored);
    EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"P(40)-800000303F"}));
    EXPECT_EQ(report.status_text(), "N is Prime!");
    EXPECT_EQ(run("FFF1"), FactorOutcome::factored);
    EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"P-FFF1"}));
    // A prime above 2^32 times small primes.
    EXPECT_EQ(run("180000090BD"), FactorOutcome::factored);  // 3 * 0x800000303F
    EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"P-3", "P(40)-800000303F"}));
    EXPECT_EQ(report.status_text(), "Done all Prime Factors .");
}

TEST_F(FactorDriver, RhoFinishes) {
    // 0x23C6F * 0x32A7AF11DBD (rho finds 0x23C6F at iteration 220, see the vectors).
    EXPECT_EQ(run("7144A1E0CFE30F3"), FactorOutcome::factored);
    EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"P-23C6F", "P(42)-32A7AF11DBD"}));
    EXPECT_EQ(texts, (std::vector<std::string>{"Brute method, 6543 small primes...\r\n",
                                               "Pollard Rho\r\n1 of 2000 tries...\r\n",
                                               "Pollard Rho\r\n100 of 2000 tries.\r\n",
                                               "Pollard Rho\r\n200 of 2000 tries.\r\n",
                                               "Done all Factors in Pollard Rho.\r\n"}));
    EXPECT_EQ(report.status_code(), kStatusFactored);
}

TEST_F(FactorDriver, StopInRhoAndInPp1) {
    // 200-bit balanced semiprime of the MPQS vectors.
    const std::string n = "88772E927DC304C1399DBB6C9BA94F6EBC89D4E54561C96723";
    struct Case {
        int code;
        const char* at;
        const char* abort;
    };
    for (const Case& c : {Case{kStatusRho, "Pollard Rho\r\n100 of 2000 tries.\r\n", "Factor Aborted in Pollard Rho...\r\n"},
                          Case{kStatusHeader, "Williams P+1 method\r\n", "Factor Aborted in Williams P+1 method...\r\n"}}) {
        SCOPED_TRACE(c.abort);
        stop_code = c.code;
        stop_text = c.at;
        texts.clear();
        EXPECT_EQ(run(n), FactorOutcome::stopped);
        EXPECT_EQ(report.status_text(), c.abort);
        EXPECT_EQ(report.status_code(), kStatusStopped);
        EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"N(200)-" + n}));
    }
}

}  // namespace
