// The longer factoring runs: ECM on a 320-bit number with a 20-digit factor,
// MPQS on 160- and 200-bit balanced semiprimes, the
// driver's method order on 200 bits (rho, P+1, P-1, MPQS; no ECM) and 320 bits
// (rho, P+1, P-1, ECM; no MPQS), ecm_n = 0 / ecm_k = 3 through the driver, and
// STOP in P-1, ECM and MPQS. Numbers from tests/vectors/numtheory/factor.txt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numtheory/factor_driver.h"
#include "numtheory/factor_methods.h"
#include "tests/numtheory/factor_test_util.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/vectors.h"

namespace {

using testsupport::Big;

std::vector<testsupport::VectorCase> section(const std::string& name) {
    std::vector<testsupport::VectorCase> out;
    for (auto& c : testsupport::load_vectors("numtheory/factor.txt"))
        if (c.section == name) out.push_back(c);
    if (out.empty()) ADD_FAILURE() << "no [" << name << "] case";
    return out;
}

class SlowFactor : public testsupport::EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        report.set_listener([this](int code, const std::string& text) {
            if (code == kStatusHeader) headers.push_back(text);
            texts.push_back(text);
            if (text == stop_at) report.request_stop();
        });
    }
    FactorOutcome run(big n) { return factor_driver(n, inputs, report); }
    FactorReport report;
    uint64_t ecm_n = 50, ecm_k = 101;
    FactorInputs inputs{[this] { return ecm_n; }, [this] { return ecm_k; }, {}};
    std::vector<std::string> headers, texts;
    std::string stop_at;
};

TEST_F(SlowFactor, MpqsBalancedSemiprime160) {
    // 120 bits run in the quick suite, 200 bits in Order200BitsEndsInQs.
    for (const auto& c : section("Mpqs")) {
        if (c.get("N").size() != 40) continue;  // 160 bits
        SCOPED_TRACE(c.where);
        FactorReport r;
        Big n(c.get("N"));
        EXPECT_EQ(factor_mpqs(n, r), kFactorFound);
        factortest::expect_factors(r, n, {c.get("P"), c.get("Q")}, c.get("N"));
    }
}

TEST_F(SlowFactor, EcmFindsTwentyDigitFactor) {
    // The Suyama curve with sigma = 101 has an order modulo P whose prime powers
    // below 10000 divide their phase-1 exponents and whose one larger prime lies
    // in phase 2 (the factorisation is in the vector file, from PARI's ellcard):
    // the first curve must find P.
    const auto c = section("Ecm").front();
    Big n(c.get("N"));
    FactorReport r;
    int curves = 0;
    r.set_listener([&](int code, const std::string& text) {
        if (code == kStatusEcm && text.rfind("ECM ", 0) == 0) ++curves;
    });
    const auto sigma = static_cast<uint32_t>(std::stoul(c.get("Sigma")));
    EXPECT_EQ(factor_ecm(n, kPm1Limit1, kEcmLimit2, [] { return 5u; }, sigma, r), kFactorPrime);
    EXPECT_EQ(curves, 1);
    factortest::expect_factors(r, n, {c.get("P"), c.get("Q")}, c.get("N"));
}

TEST_F(SlowFactor, Order200BitsEndsInQs) {
    const auto c = section("Mpqs").back();  // 200 bits
    Big n(c.get("N"));
    EXPECT_EQ(run(n), FactorOutcome::factored);
    factortest::expect_factors(report, nullptr, {c.get("P"), c.get("Q")}, c.get("N"));
    EXPECT_EQ(headers, (std::vector<std::string>{"Brute method, 6543 small primes...\r\n",
                                                 "Pollard Rho\r\n1 of 2000 tries...\r\n", "Williams P+1 method\r\n",
                                                 "Pollard P-1 method\r\n",
                                                 "MPQS(Multiple Polynomial Quadratic Sieve)Method:\r\n"}));
    EXPECT_EQ(texts.back(), "Done all Factors in QS Method.\r\n");
    EXPECT_EQ(report.status_code(), kStatusFactored);
}

TEST_F(SlowFactor, Order320BitsEndsInEcm) {
    const auto c = section("Ecm").front();  // sigma 101 = the default ecm_k
    Big n(c.get("N"));
    const int bits = logb2(n);
    ASSERT_GT(bits, 300);
    EXPECT_EQ(run(n), FactorOutcome::factored);
    factortest::expect_factors(report, nullptr, {c.get("P"), c.get("Q")}, c.get("N"));
    const std::string rho = "Pollard Rho\r\n1 of " + std::to_string(3072000 / (bits + 256)) + " tries...\r\n";
    EXPECT_EQ(headers, (std::vector<std::string>{"Brute method, 6543 small primes...\r\n", rho,
                                                 "Williams P+1 method\r\n", "Pollard P-1 method\r\n",
                                                 "Lenstra's Elliptic Curve Method, 1 of 50 curves...\r\n"}));
    EXPECT_EQ(texts.back(), "Done all Factors in Lenstra's ECM.\r\n");
}

TEST_F(SlowFactor, EcmSettingsThroughTheDriver) {
    // ecm_n = 0 runs one curve; ecm_k = 3 starts at K = 9. Sigma 9 does not find
    // the factor, so the run ends with every method done and N recorded.
    const auto c = section("Ecm").front();
    Big n(c.get("N"));
    ecm_n = 0;
    ecm_k = 3;
    EXPECT_EQ(run(n), FactorOutcome::exhausted);
    EXPECT_EQ(headers.back(), "Lenstra's Elliptic Curve Method, 1 of 1 curves...\r\n");
    int curves = 0;
    for (const auto& t : texts)
        if (t.rfind("ECM ", 0) == 0) {
            ++curves;
            EXPECT_EQ(t, "ECM 1/1 curves\r\nK=9\r\n");
        }
    EXPECT_EQ(curves, 1);
    EXPECT_EQ(report.status_text(), "All Factor Method Done.\r\n");
    EXPECT_EQ(report.status_code(), kStatusExhausted);
    EXPECT_EQ(factortest::lines(report).back(), "N(" + std::to_string(logb2(n)) + ")-" + c.get("N"));
}

TEST_F(SlowFactor, StopInPm1EcmAndQs) {
    struct Case {
        const char* section;
        bool last;
        const char* at;
        const char* abort;
    };
    for (const Case& k : {Case{"Mpqs", true, "Pollard P-1 method\r\n", "Factor Aborted in Pollard P-1 method...\r\n"},
                          Case{"Ecm", false, "Lenstra's Elliptic Curve Method, 1 of 50 curves...\r\n",
                               "Factor Aborted in Lenstra's Elliptic Curve Method...\r\n"},
                          Case{"Mpqs", true, "MPQS(Multiple Polynomial Quadratic Sieve)Method:\r\n",
                               "Factor Aborted in QS Method...\r\n"}}) {
        SCOPED_TRACE(k.abort);
        const auto all = section(k.section);
        const auto c = k.last ? all.back() : all.front();
        Big n(c.get("N"));
        stop_at = k.at;
        EXPECT_EQ(run(n), FactorOutcome::stopped);
        EXPECT_EQ(report.status_text(), k.abort);
        EXPECT_EQ(report.status_code(), kStatusStopped);
        EXPECT_EQ(factortest::lines(report), (std::vector<std::string>{"N(" + std::to_string(logb2(n)) + ")-" +
                                                                        c.get("N")}));
    }
}

}  // namespace
